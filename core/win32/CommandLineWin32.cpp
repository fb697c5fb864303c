#include "core/CommandLine.h"

#include <windows.h>

#include "core/WideText.h"

// The program's name is left out by its own rules: it may be quoted, and
// holds no escapes.
std::string commandLineArguments() {
    const wchar_t* rest = GetCommandLineW();
    bool quoted = false;
    for (; *rest && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest)
        if (*rest == L'"')
            quoted = !quoted;
    return toUtf8(rest);
}

// The setup-script reader with the line handling of both passes: every line
// the reader delivers goes through the pre-read and through the execution
// pass's keyword, argument and operand splitting.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "run/ScriptSettings.h"
#include "core/PathText.h"
#include "setupscript/SetupScript.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/HostPlatform.h"

namespace {

template <std::size_t N>
bool terminated(const char (&field)[N]) {
    return strnlen(field, N) < N;
}

void handleLine(const char* line) {
    const std::size_t length = std::strlen(line);
    FUZZ_CHECK(length <= 4 * kScriptLineLength);
    FUZZ_CHECK(line[0] != '#');

    preReadLine(line);
    FUZZ_CHECK(terminated(scriptSettings.title));
    FUZZ_CHECK(terminated(scriptSettings.defaultDir));
    FUZZ_CHECK(terminated(scriptSettings.shortcutArguments));

    executionKeyword(line);
    const char* argument = keywordArgument(line);
    if (argument) {
        FUZZ_CHECK(argument > line && argument <= line + length && argument[-1] == ' ');
        std::string key, value;
        if (splitKeyValue(argument, key, value))
            FUZZ_CHECK(key.size() + 1 + value.size() == std::strlen(argument));
    }

    std::string first, second;
    if (splitOperands(line, first, second)) {
        FUZZ_CHECK(!first.empty() && first.find(' ') == std::string::npos);
        FUZZ_CHECK(!second.empty() && second.find(' ') == std::string::npos);
    }

    const std::string slashed = withBackslash(argument ? argument : line);
    FUZZ_CHECK(!slashed.empty() && slashed.back() == '\\');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    resetHostPlatform();
    // The script is decoded from the bytes themselves: in the ANSI code
    // page, in UTF-8 after a byte order mark, or in a code page it names.
    const std::string script(reinterpret_cast<const char*>(data), size);
    readScriptLines(decodeSetupScript(script).text, handleLine);
    return 0;
}

// The Windows side of the file layer's seams.
#include <windows.h>

#include "core/FileLayer.h"
#include "core/WideText.h"

// One replacing move, written through to the disk: the target is never
// missing, and a read-only or locked target makes the move fail. The
// read-only attribute is tested here, since not every platform's move
// refuses such a target (Wine replaces it).
bool systemReplaceFile(const char* source, const char* target) {
    const std::wstring wideTarget = toWide(target);
    DWORD attributes = GetFileAttributesW(wideTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    return MoveFileExW(toWide(source).c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           0;
}

// Names are UTF-8 inside: opened, looked at and removed through the wide
// calls, so that no name passes through the ANSI code page.
std::FILE* systemOpenFile(const char* name, const char* mode) {
    return _wfopen(toWide(name).c_str(), toWide(mode).c_str());
}

// Faults are injected only in the host tests.
bool fileFault(FileOp) {
    return false;
}

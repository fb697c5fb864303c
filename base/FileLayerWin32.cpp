// The Windows side of the file layer's seams.
#include <windows.h>

#include "base/FileLayer.h"

// One replacing move, written through to the disk: the target is never
// missing, and a read-only or locked target makes the move fail. The
// read-only attribute is tested here, since not every platform's move
// refuses such a target (Wine replaces it).
bool systemReplaceFile(const char* source, const char* target) {
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Faults are injected only in the host tests.
bool fileFault(FileOp) {
    return false;
}

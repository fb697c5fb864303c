// The Windows side of the settings file's seam.
#include <windows.h>

#include "settings/SettingsFile.h"

// One replacing move, written through to the disk: kelmo.ini is never
// missing, and a read-only or locked target makes the move fail.
bool replaceFile(const char* source, const char* target) {
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// Faults are injected only in the host tests.
bool settingsFileFault(SettingsFileOp) {
    return false;
}

#include <windows.h>

#include "base/InstallState.h"
#include "base/MessageBoxes.h"

void fatalError(const char* message) {
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    MessageBoxA(installState.mainWindow, message, "Error", MB_OK | MB_ICONERROR);
    ExitProcess(1);
}

void showClosingMessage(const char* text) {
    MessageBoxA(installState.mainWindow, text, "Install", MB_OK);
}

void showCollationWarning(const char* text) {
    MessageBoxA(nullptr, text, "Install", MB_OK | MB_ICONWARNING);
}

#include <windows.h>

#include <string>

#include "core/Log.h"
#include "run/MessageBoxes.h"
#include "core/win32/TextWin32.h"

namespace {

HWND owner = nullptr;
bool quiet = false;

}  // namespace

void setQuietRun(bool quietRun) {
    quiet = quietRun;
}

bool quietRun() {
    return quiet;
}

void setMessageOwner(HWND window) {
    owner = window;
}

HWND messageOwner() {
    return owner;
}

void showErrorBox(const char* message) {
    if (quiet)
        return;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    showMessageBox(owner, message, "Error", MB_OK | MB_ICONERROR);
}

// In the silent modes the closing message, and the display file in it, are
// skipped.
void showClosingMessage(const char* text) {
    if (!quiet)
        showMessageBox(owner, text, "Install", MB_OK);
}

void showCollationWarning(const char* text) {
    logLine(std::string("warning: ") + text);
    if (!quiet)
        showMessageBox(nullptr, text, "Install", MB_OK | MB_ICONWARNING);
}

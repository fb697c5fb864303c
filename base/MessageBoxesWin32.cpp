#include <windows.h>

#include "base/MessageBoxes.h"
#include "base/WideText.h"

namespace {

void (*earlyEndStep)() = nullptr;
HWND owner = nullptr;

// The step's own writes never come back here: it is taken before it runs.
void runEarlyEndStep() {
    void (*step)() = earlyEndStep;
    earlyEndStep = nullptr;
    if (step)
        step();
}

}  // namespace

void setMessageOwner(HWND window) {
    owner = window;
}

HWND messageOwner() {
    return owner;
}

void setEarlyEndStep(void (*step)()) {
    earlyEndStep = step;
}

void endRunEarly() {
    runEarlyEndStep();
    ExitProcess(1);
}

// The record is written before the box: a run ended at the box by other
// means than OK has its record too.
void fatalError(const char* message) {
    runEarlyEndStep();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    MessageBoxA(owner, message, "Error", MB_OK | MB_ICONERROR);
    ExitProcess(1);
}

// The display file's text is UTF-8.
void showClosingMessage(const char* text) {
    MessageBoxW(owner, toWide(text).c_str(), L"Install", MB_OK);
}

void showCollationWarning(const char* text) {
    MessageBoxA(nullptr, text, "Install", MB_OK | MB_ICONWARNING);
}

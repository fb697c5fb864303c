#include <windows.h>

#include <string>

#include "core/Log.h"
#include "run/MessageBoxes.h"
#include "core/win32/TextWin32.h"

namespace {

void (*earlyEndStep)() = nullptr;
void (*exitCleanup)() = nullptr;
HWND owner = nullptr;
bool quiet = false;

// The step's own writes never come back here: it is taken before it runs.
void runEarlyEndStep() {
    void (*step)() = earlyEndStep;
    earlyEndStep = nullptr;
    if (step)
        step();
}

void runExitCleanup() {
    void (*cleanup)() = exitCleanup;
    exitCleanup = nullptr;
    if (cleanup)
        cleanup();
}

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

void setEarlyEndStep(void (*step)()) {
    earlyEndStep = step;
}

void setExitCleanup(void (*cleanup)()) {
    exitCleanup = cleanup;
}

void endRunEarly() {
    runEarlyEndStep();
    runExitCleanup();
    logLine("exit code 1");
    ExitProcess(1);
}

// The record is written before the box: a run ended at the box by other
// means than OK has its record too.
void fatalError(const char* message) {
    runEarlyEndStep();
    logLine(std::string("error: ") + message);
    if (!quiet) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        showMessageBox(owner, message, "Error", MB_OK | MB_ICONERROR);
    }
    runExitCleanup();
    logLine("exit code 1");
    ExitProcess(1);
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

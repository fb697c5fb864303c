// The process-wide record of the installer: settings from the setup script,
// paths, flags, layout cursors of the progress display and the window and
// drawing handles. One instance, installState, lives for the whole run.
//
// This header is portable: Win32 handles are named through their opaque
// structure types so that the core compiles without <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/InstallRecord.h"

struct HWND__;
struct HFONT__;
struct HICON__;
struct HBRUSH__;
struct HDC__;

constexpr std::size_t kPathCapacity = 260;   // a path, terminator included
constexpr std::size_t kValueCapacity = 180;  // a setup-script value, terminator included
constexpr std::size_t kNamedFailedSteps = 5;  // failed steps the closing warning names

struct CounterBox {
    int left = 280, top = 170, right = 360, bottom = 186;
};

struct InstallState {
    // Settings and paths.
    char sourceDir[kPathCapacity] = "";
    char title[kValueCapacity] = "";
    char defaultDir[kPathCapacity] = "c:\\";
    char wbarg[kValueCapacity] = "";
    std::int32_t verbose = 1;
    char targetDir[kPathCapacity] = "";
    char targetDirSlash[kPathCapacity + 1] = "";
    char iconName[kValueCapacity] = "";
    char iconGroup[kValueCapacity] = "";
    char iconExe[kValueCapacity] = "";
    char displayFile[kValueCapacity] = "";
    std::int32_t wantShortcut = 0;
    std::int32_t wantWordLists = 0;

    // What this run created and changed, for the install record; the
    // target directory counts when the Start check had to create it.
    InstallRecord record;
    std::int32_t targetDirCreated = 0;

    // Layout cursors of the progress display, in client pixels.
    std::int32_t nameY = 100;
    std::int32_t barY = 155;
    std::int32_t statusY = 170;

    // Steps that did not complete while the run went on (copies passed over,
    // folders, win.ini settings, the sort, the shortcut): how many, and the
    // names of the first few for the closing warning.
    std::int32_t failedSteps = 0;
    char failedStepNames[kNamedFailedSteps][kPathCapacity + 40] = {};

    // Collation selected by name for the sorts; 0 while none is selected.
    std::uint32_t collationLocale = 0;

    // Window and drawing handles.
    std::int32_t comInitialized = 0;  // CoInitialize at window creation succeeded
    HWND__* mainWindow = nullptr;
    HWND__* editBox = nullptr;
    HFONT__* headingFont = nullptr;
    HICON__* waitCursor = nullptr;
    HICON__* savedCursor = nullptr;
    HBRUSH__* counterBrush = nullptr;
    HDC__* builderDc = nullptr;
    CounterBox counterBox;
};

extern InstallState installState;

// Copies src into dst of the given capacity, truncating so that the
// terminator always fits. Returns false when src had to be truncated.
bool copyText(char* dst, std::size_t capacity, const char* src);

template <std::size_t N>
bool copyText(char (&dst)[N], const char* src) {
    return copyText(dst, N, src);
}

// Appends src to the text in dst, truncating at the capacity. Returns false
// when something had to be cut.
bool appendText(char* dst, std::size_t capacity, const char* src);

template <std::size_t N>
bool appendText(char (&dst)[N], const char* src) {
    return appendText(dst, N, src);
}

// Counts a step that did not complete and keeps its name (cut to fit) when
// fewer than kNamedFailedSteps are kept.
void countFailedStep(const std::string& name);

// The closing warning's text: how many steps did not complete and the
// names of the first few. Meant for failedSteps > 0.
std::string failedStepsMessage();

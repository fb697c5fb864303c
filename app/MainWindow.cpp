// The main window: its controls, its commands, the target-directory check
// and the Start sequence, which runs the whole installation inside the
// handling of one command.
#include <windows.h>

#include <cstring>
#include <string>

#include "app/App.h"
#include "run/ScriptSettings.h"
#include "run/FailedSteps.h"
#include "run/Journaling.h"
#include "run/RunEnd.h"
#include "record/InstallRecord.h"
#include "core/Log.h"
#include "run/EarlyEnd.h"
#include "run/MessageBoxes.h"
#include "core/CodePage.h"
#include "record/RecordWin32.h"
#include "core/Utf8Text.h"
#include "core/VersionOrder.h"
#include "core/win32/FolderAccessWin32.h"
#include "core/win32/TextWin32.h"
#include "core/PathText.h"
#include "run/HeldFiles.h"
#include "setupscript/ScriptWin32.h"
#include "setupscript/SetupScript.h"
#include "settings/SettingsFile.h"
#include "wordlist/LanguageList.h"

namespace {

struct ControlSpec {
    const char* className;
    const char* text;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height, id;
};

const wchar_t* const kEditPreviousProc = L"InstallEditProc";

// The exit code of a run that ended early; 0 while it has not.
int earlyExitCode = 0;

HWND control(int id) {
    return GetDlgItem(windowHandles.mainWindow, id);
}

void showControl(int id, bool visible) {
    ShowWindow(control(id), visible ? SW_SHOW : SW_HIDE);
}

// Enter in the edit box starts the installation exactly as the Start button
// does; then the key goes on to the edit control unless the Start sequence
// has destroyed the window meanwhile.
LRESULT CALLBACK editBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(edit, kEditPreviousProc));
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        SendMessageW(GetParent(edit), WM_COMMAND, MAKEWPARAM(kStartButton, 0),
                     reinterpret_cast<LPARAM>(edit));
        if (!IsWindow(edit))
            return 0;
    }
    if (message == WM_NCDESTROY)
        RemovePropW(edit, kEditPreviousProc);
    return CallWindowProcW(previous, edit, message, wParam, lParam);
}

void onCreate(HWND window, const CREATESTRUCTW* create) {
    windowHandles.mainWindow = window;
    setMessageOwner(window);
    windowHandles.waitCursor = LoadCursor(nullptr, IDC_WAIT);
    const DWORD child = WS_CHILD;
    const DWORD shown = WS_CHILD | WS_VISIBLE;
    const DWORD list = WS_CHILD | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_SORT;
    const std::string defaultDir = scriptSettings.defaultDir;
    const ControlSpec controls[] = {
        {"static", nullptr, shown | WS_BORDER, 0, 110, 138, 440, 110, kFramePanel},
        {"edit", defaultDir.c_str(), shown | WS_BORDER, WS_EX_CLIENTEDGE, 120, 170, 420, 25, kEditBox},
        {"listbox", nullptr, list, WS_EX_CLIENTEDGE, 120, 280, 150, 100, kDriveList},
        {"listbox", nullptr, list, WS_EX_CLIENTEDGE, 280, 280, 260, 180, kFolderList},
        {"button", "Start", shown, 0, 120, 205, 100, 30, kStartButton},
        {"button", "Stop", shown, 0, 440, 205, 100, 30, kStopButton},
        {"button", "Change Directory", shown, 0, 230, 205, 200, 30, kChangeDirButton},
        {"static", "Install in Directory :", shown, 0, 120, 148, 420, 22, kPromptLabel},
        {"static", "Drive :", child, 0, 120, 260, 150, 20, kDriveCaption},
        {"static", "Directory :", child, 0, 280, 260, 260, 20, kFolderCaption},
    };
    for (const ControlSpec& c : controls) {
        HWND made = CreateWindowExW(c.exStyle, toWide(c.className).c_str(), c.text ? toWide(c.text).c_str() : nullptr,
                                    c.style, c.x, c.y, c.width, c.height, window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), create->hInstance, nullptr);
        if (c.id == kEditBox)
            windowHandles.editBox = made;
    }
    if (windowHandles.editBox) {
        LONG_PTR previous = SetWindowLongPtrW(windowHandles.editBox, GWLP_WNDPROC,
                                              reinterpret_cast<LONG_PTR>(editBoxProc));
        SetPropW(windowHandles.editBox, kEditPreviousProc, reinterpret_cast<HANDLE>(previous));
    }
    windowHandles.comInitialized = SUCCEEDED(CoInitialize(nullptr));
}

void onPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    paintGradient(dc, client);
    SetBkMode(dc, TRANSPARENT);
    {
        ScopedSelectObject font(dc, windowHandles.headingFont.get());
        drawShadowedText(dc, scriptSettings.title, RECT{30, 20, 480, 90});
    }
    EndPaint(window, &paint);
}

// A run in which a step did not complete ends with one warning box that
// says how many and names the first few; the process then exits with code 2
// (see onDestroy). A run with nothing to report ends without it.
// One step of the end of the installation, logged with its result; one
// that fails is counted under its name.
template <typename Step>
void runLoggedStep(const std::string& what, const std::string& failedName, Step step) {
    const bool done = step();
    logLine((done ? "done: " : "failed: ") + what);
    if (!done)
        countFailedStep(failedName);
}

// Files that the next restart puts in place are named in a box of their
// own, or in the log when silent: the installation is complete only then.
void showRestartNeeded() {
    if (runEnd.atRestart.empty())
        return;
    logLine("restart needed: " + restartMessage());
    if (quietRun())
        return;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    showMessageBox(windowHandles.mainWindow, restartMessage(), "Install", MB_OK | MB_ICONINFORMATION);
}

void showFailedSteps() {
    if (failedSteps.count <= 0)
        return;
    logLine("warning: " + failedStepsMessage());
    if (quietRun())
        return;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    showMessageBox(windowHandles.mainWindow, failedStepsMessage(), "Install", MB_OK | MB_ICONWARNING);
}

// An older version over a newer one in the same folder is refused before
// anything is written, unless /ALLOWDOWNGRADE: interactively a box, and the
// window waits for another folder; silently the run ends with 1638. A
// target folder that the Start check made just now is taken back.
bool refuseDowngrade() {
    std::string hive;
    const std::string target = longFolderName(scriptSettings.targetDir);
    const std::string installed = installedVersion(target, hive);
    if (installed.empty() || !*scriptSettings.version)
        return false;
    const VersionOrder order = compareVersions(scriptSettings.version, installed);
    logLine("installed version " + installed + " (" + hive + "\\" + uninstallKeyPath(target) + "), this one " +
            scriptSettings.version);
    if (order != VersionOrder::Older || runEnd.allowDowngrade)
        return false;
    const std::string text = newerInstalledMessage(installed, scriptSettings.title, target, scriptSettings.version);
    logLine("refused: " + text);
    takeBackRun();
    installNotes.targetCreated = 0;
    if (quietRun()) {
        runEnd.downgradeRefused = true;
        DestroyWindow(windowHandles.mainWindow);
        return true;
    }
    showMessageBox(windowHandles.mainWindow, text, "Install", MB_OK | MB_ICONWARNING);
    return true;
}

// The word-list builder writes into the target's language folder: one
// that other users can change is a failed step, and nothing is built.
bool languageFolderTrusted() {
    const std::string folder = joinPath(scriptSettings.targetDir, "language");
    const FolderTrust trust = installFolderTrust(folder);
    if (trust == FolderTrust::Trusted)
        return true;
    logLine("failed: " + folderRefusal(trust, folder));
    countFailedStep("Word lists in " + folder + " (" + folderTrustReason(trust) + ")");
    return false;
}

// A copy's destination in the edit box, the window brought up to date.
void showStepText(const char* text) {
    setWindowText(windowHandles.editBox, text);
    UpdateWindow(windowHandles.mainWindow);
}

void runStartSequence() {
    // A Start that arrives while the sequence runs (through the modal loop
    // of a message box) is ignored: the Start button is hidden by then. Its
    // own style says so also while the whole window is hidden (/VERYSILENT).
    if (!(GetWindowLongW(control(kStartButton), GWL_STYLE) & WS_VISIBLE))
        return;
    if (!acceptTargetDir())
        return;
    if (refuseDowngrade())
        return;
    beginInstallRecord();
    MoveWindow(control(kFramePanel), 110, 138, 440, 110, TRUE);
    for (int id : {kDriveList, kFolderList, kStartButton, kChangeDirButton, kDriveCaption, kFolderCaption})
        showControl(id, false);
    setWindowText(control(kPromptLabel), "Copying files...");
    UpdateWindow(windowHandles.mainWindow);

    // The copies are planned first: the programs that hold a file they
    // replace are named before the first one, and the journal announces
    // them all with one write to the disk.
    const std::vector<std::string> copies = plannedCopies();
    std::vector<std::string> replaced = copies;
    for (const std::string& file : earlierInstalledFiles())
        if (!pathListed(replaced, file))
            replaced.push_back(file);
    askAboutFilesInUse(replaced);
    announceFiles(copies);
    runSetupScript(showStepText);

    for (int id : {kStopButton, kPromptLabel, kFramePanel, kEditBox})
        showControl(id, false);
    SetCurrentDirectoryW(toWide(scriptSettings.targetDir).c_str());
    UpdateWindow(windowHandles.mainWindow);

    if (scriptSettings.wantWordLists == 1 && languageFolderTrusted())
        processLanguageList();
    runLoggedStep("sorting the languages in kelmo.ini", "Sorting the languages in kelmo.ini",
                  [] {
                      const int entries = countLanguageEntries();
                      return entries <= 1 || sortLanguageSection(entries) == 0;
                  });
    if (scriptSettings.wantShortcut == 1)
        runLoggedStep(std::string("shortcut ") + scriptSettings.iconName,
                      std::string("Shortcut ") + scriptSettings.iconName, [] { return addProgramShortcut(); });
    runLoggedStep("the uninstaller, its record and the Apps & Features entry",
                  "The uninstaller and its record uninstall.dat", [] { return completeInstallRecord(); });
    if (!commitJournal())
        fatalError("Can't write the journal of the installation");
    showFailedSteps();
    showRestartNeeded();
    DestroyWindow(windowHandles.mainWindow);
}

// A run that ends early ends here, before the exception could reach user32:
// the window goes, and the process ends in WinMain.
void runStartCommand() {
    try {
        runStartSequence();
    } catch (const EarlyEnd& end) {
        earlyExitCode = finishEarlyEnd(end);
        DestroyWindow(windowHandles.mainWindow);
    }
}

void onCommand(int id, int code) {
    if (id == kStartButton && code == BN_CLICKED)
        runStartCommand();
    else if (id == kStopButton && code == BN_CLICKED)
        DestroyWindow(windowHandles.mainWindow);
    else if (id == kChangeDirButton && code == BN_CLICKED)
        openChooser();
    else if (id == kDriveList && code == LBN_SELCHANGE)
        chooseDrive();
    else if (id == kFolderList && code == LBN_SELCHANGE)
        chooseFolder();
}

void onDestroy() {
    windowHandles.builderDc.reset();
    windowHandles.headingFont.reset();
    windowHandles.counterBrush.reset();
    if (windowHandles.comInitialized)
        CoUninitialize();
    windowHandles.comInitialized = false;
    // Exit codes: 0 for a complete installation, Stop or a close; 2 when
    // steps did not complete, 3010 when a restart completes it, 1638 for a
    // downgrade refused; 1 for a run that ended early.
    PostQuitMessage(earlyExitCode != 0 ? earlyExitCode : installExitCode(failedSteps.count));
}

}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(window, reinterpret_cast<const CREATESTRUCTW*>(lParam));
        return 0;
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

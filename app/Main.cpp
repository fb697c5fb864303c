// Program entry: start-up in its fixed order, then the message loop. The
// window procedure (app/MainWindow.cpp) is the whole installer.
#include <windows.h>

#include <string>

#include "ProductVersion.h"
#include "app/App.h"
#include "core/CommandLine.h"
#include "run/InstallOptions.h"
#include "core/DllSearch.h"
#include "core/win32/HandlesWin32.h"
#include "core/Log.h"
#include "core/win32/LogWin32.h"
#include "core/win32/TextWin32.h"
#include "run/MessageBoxes.h"
#include "core/WideText.h"
#include "run/ScriptSettings.h"
#include "run/Progress.h"
#include "run/Journaling.h"
#include "run/faults/FaultPoint.h"
#include "run/RunEnd.h"
#include "setupscript/SetupScript.h"

namespace {

constexpr const char* kDefaultLogName = "dictionary-install.log";

void registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconW(instance, L"installicon");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"Install";
    RegisterClassExW(&wc);
}

// The current directory at start-up is the source directory. One that does
// not fit a path buffer stays empty, and the setup script is then not found.
void takeSourceDir() {
    const std::string current = currentDirectory();
    if (!copyText(scriptSettings.sourceDir, current.c_str()))
        scriptSettings.sourceDir[0] = '\0';
}

// A box in the interactive mode; the log only, in the silent ones.
void tell(const InstallOptions& options, const std::string& text, UINT icon) {
    logLine(text);
    if (!options.quiet())
        MessageBoxW(nullptr, toWide(text).c_str(), L"Install", MB_OK | icon);
}

// Reads the setup script, makes the main window and runs its message loop;
// returns the exit code.
int runMainWindow(HINSTANCE instance, const InstallOptions& options, const std::string& dirFromStart,
                  int showCommand) {
    windowHandles.headingFont.reset(createHeadingFont());
    setProgressPainter(windowPainter());
    takeSourceDir();
    logLine(std::string("source folder ") + scriptSettings.sourceDir);
    preReadSetupScript();
    if (options.hasDir)
        copyText(scriptSettings.defaultDir, dirFromStart.c_str());
    progressLayout.nameY = 100;
    progressLayout.barY = 155;
    scriptSettings.wantShortcut = 0;
    scriptSettings.wantWordLists = 0;

    registerWindowClass(instance);
    windowHandles.mainWindow =
        CreateWindowExW(0, L"Install", nullptr, WS_POPUP | WS_CLIPSIBLINGS | WS_MAXIMIZE, 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                        nullptr, instance, nullptr);
    // No window at all in the very silent mode; the silent ones start at once.
    if (!options.verySilent) {
        ShowWindow(windowHandles.mainWindow, showCommand);
        UpdateWindow(windowHandles.mainWindow);
    }
    if (options.quiet())
        PostMessageW(windowHandles.mainWindow, WM_COMMAND, MAKEWPARAM(kStartButton, BN_CLICKED), 0);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// The run once the lock is held: the setup file's payload unpacked, then
// the window. The unpacked folder goes when this returns, however the run
// ended; a run that ends early before the window runs (no setup script)
// ends here.
int runInstaller(HINSTANCE instance, const InstallOptions& options, const std::string& dirFromStart,
                 int showCommand) {
    UnpackedFolder unpacked;
    std::string problem;
    switch (unpackSetupPayload(unpacked, problem)) {
    case SetupPayload::Damaged:
        tell(options, "The setup file is damaged (" + problem + "), perhaps by a download that did not end. "
                      "Download it again. Nothing was installed.", MB_ICONERROR);
        return 1;
    case SetupPayload::CannotUnpack:
        tell(options, "The setup file cannot be unpacked: " + problem + ". Nothing was installed.", MB_ICONERROR);
        return 1;
    case SetupPayload::Unpacked:
        unpackedSetupFolder = unpacked.path();
        SetCurrentDirectoryW(toWide(unpacked.path()).c_str());
        break;
    case SetupPayload::None:
        break;
    }
    try {
        return runMainWindow(instance, options, dirFromStart, showCommand);
    } catch (const EarlyEnd& end) {
        return finishEarlyEnd(end);
    }
}

}  // namespace

std::string unpackedSetupFolder;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    restrictDllSearchToSystem();
    const InstallOptions options = parseInstallOptions(splitCommandLine(commandLineArguments()));
    // A relative /DIR names a folder of the one current at the start, not
    // of the setup file's unpacked folder, which goes when the run ends.
    const std::string dirFromStart = options.hasDir ? fullPathOf(options.dir) : std::string();
    setQuietRun(options.quiet());
    runEnd.allowDowngrade = options.allowDowngrade;
    runEnd.closeApplications = options.closeApplications;
    if (options.log)
        openLogFile(options.logPath, kDefaultLogName);
    logLine("install.exe " PRODUCT_VERSION_TEXT ", options:" + commandLineArguments());
    if (!options.error.empty()) {
        tell(options, "The option " + options.error + ".\n\n" + installOptionsHelp(), MB_ICONERROR);
        logLine("exit code " + std::to_string(ERROR_INVALID_PARAMETER));
        return ERROR_INVALID_PARAMETER;
    }
    if (options.help) {
        MessageBoxW(nullptr, toWide(installOptionsHelp()).c_str(), L"Install", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    InstallationLock lock;
    if (!takeInstallationLock(lock)) {
        tell(options, "Another installation is running. Wait until it has ended, then start this one again.",
             MB_ICONWARNING);
        logLine("exit code " + std::to_string(ERROR_INSTALL_ALREADY_RUNNING));
        return ERROR_INSTALL_ALREADY_RUNNING;
    }

    if (journalWanted())
        keepJournal();
    recoverUnfinishedRuns(options.quiet());
    const int exitCode = runInstaller(instance, options, dirFromStart, showCommand);
    logLine("exit code " + std::to_string(exitCode));
    return exitCode;
}

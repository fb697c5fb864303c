// Program entry: start-up in its fixed order, then the message loop. The
// window procedure (app/MainWindow.cpp) is the whole installer.
#include <windows.h>

#include "app/App.h"
#include "base/DllSearch.h"
#include "base/ScriptSettings.h"
#include "base/Progress.h"
#include "script/SetupScript.h"

namespace {

void registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconA(instance, "installicon");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = "Install";
    RegisterClassExA(&wc);
}

// The current directory at start-up is the source directory. One that does
// not fit a path buffer stays empty, and the setup script is then not found.
void takeSourceDir() {
    DWORD length = GetCurrentDirectoryA(sizeof scriptSettings.sourceDir, scriptSettings.sourceDir);
    if (length == 0 || length >= sizeof scriptSettings.sourceDir)
        scriptSettings.sourceDir[0] = '\0';
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    restrictDllSearchToSystem();
    windowHandles.headingFont = createHeadingFont();
    takeSourceDir();
    preReadSetupScript();
    progressLayout.nameY = 100;
    progressLayout.barY = 155;
    scriptSettings.wantShortcut = 0;
    scriptSettings.wantWordLists = 0;

    registerWindowClass(instance);
    windowHandles.mainWindow =
        CreateWindowExA(0, "Install", nullptr, WS_POPUP | WS_CLIPSIBLINGS | WS_MAXIMIZE, 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                        nullptr, instance, nullptr);
    ShowWindow(windowHandles.mainWindow, showCommand);
    UpdateWindow(windowHandles.mainWindow);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

// The program shortcut: a folder iconGroup under the user's Programs folder
// holding iconName.lnk, which starts iconExe from the target directory.
#include <windows.h>

#include <direct.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "script/ScriptWin32.h"
#include "script/SetupScript.h"
#include "shell/InstallState.h"

void addProgramShortcut() {
    std::string target = std::string(installState.targetDirSlash) + installState.iconExe;
    if (target.size() >= kPathCapacity)
        return;
    copyText(installState.defaultDir, target.c_str());

    // A Programs folder that the shell cannot supply means no shortcut.
    LPITEMIDLIST programs = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(installState.mainWindow, CSIDL_PROGRAMS, &programs)) || !programs)
        return;
    BOOL havePath = SHGetPathFromIDListA(programs, installState.sourceDir);
    CoTaskMemFree(programs);
    if (!havePath || !SetCurrentDirectoryA(installState.sourceDir))
        return;

    // An empty group name creates and enters nothing: the shortcut then
    // lies in the Programs folder itself.
    if (installState.iconGroup[0] != '\0') {
        _mkdir(installState.iconGroup);
        SetCurrentDirectoryA(installState.iconGroup);
    }
    DWORD length = GetCurrentDirectoryA(sizeof installState.sourceDir, installState.sourceDir);
    if (length == 0 || length >= sizeof installState.sourceDir)
        return;

    std::string link;
    if (!withSlash(installState.sourceDir, link))
        return;
    link += installState.iconName;
    link += ".lnk";
    if (link.size() >= kPathCapacity)
        return;
    copyText(installState.sourceDir, link.c_str());
    createProgramShortcut(installState.defaultDir, installState.sourceDir, installState.targetDirSlash,
                          installState.wbarg);
}

HRESULT createProgramShortcut(const char* target, const char* linkPath, const char* workingDir,
                              const char* arguments) {
    IShellLinkA* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link));
    if (FAILED(result))
        return result;
    link->SetPath(target);
    link->SetArguments(arguments);
    link->SetWorkingDirectory(workingDir);

    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        WCHAR widePath[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) > 0)
            result = file->Save(widePath, TRUE);
        else
            result = HRESULT_FROM_WIN32(GetLastError());
        file->Release();
    }
    link->Release();
    return result;
}

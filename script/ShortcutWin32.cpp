// The program shortcut: a folder iconGroup under the user's Programs folder
// holding iconName.lnk, which starts iconExe from the target directory.
#include <windows.h>

#include <direct.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "base/InstallState.h"
#include "base/Win32Handles.h"
#include "script/ScriptWin32.h"
#include "script/SetupScript.h"

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

// Every setting of the link is checked: a link without its target, its
// arguments or its folder would be saved as a broken shortcut.
HRESULT createProgramShortcut(const char* target, const char* linkPath, const char* workingDir,
                              const char* arguments) {
    ComPtr<IShellLinkA> link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put());
    if (FAILED(result))
        return result;
    if (FAILED(result = link->SetPath(target)))
        return result;
    if (FAILED(result = link->SetArguments(arguments)))
        return result;
    if (FAILED(result = link->SetWorkingDirectory(workingDir)))
        return result;

    ComPtr<IPersistFile> file;
    if (FAILED(result = link->QueryInterface(IID_IPersistFile, file.put())))
        return result;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) <= 0)
        return HRESULT_FROM_WIN32(GetLastError());
    return file->Save(widePath, TRUE);
}

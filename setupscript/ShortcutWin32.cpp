// The program shortcut: a folder iconGroup under the Programs folder that
// the person at the desktop sees (see programsFolderFor), holding
// iconName.lnk, which starts iconExe from the target directory.
#include <windows.h>

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "core/Log.h"
#include "core/PathText.h"
#include "core/Utf8Text.h"
#include "record/InstallRecord.h"
#include "run/Journaling.h"
#include "run/MessageBoxes.h"
#include "run/ScriptSettings.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"
#include "setupscript/ProgramsFolder.h"
#include "setupscript/ScriptWin32.h"
#include "setupscript/SetupScript.h"

namespace {

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The user SID of a process's token, in buf; null when it cannot be read.
PSID tokenUser(HANDLE process, std::vector<BYTE>& buf) {
    KernelHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put()))
        return nullptr;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0)
        return nullptr;
    buf.assign(size, 0);
    if (!GetTokenInformation(token.get(), TokenUser, buf.data(), size, &size))
        return nullptr;
    return reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid;
}

// What programsFolderFor needs to know: whether this process runs as
// SYSTEM, and whether under the account of the shell's process.
DesktopAccount desktopAccount() {
    DesktopAccount account;
    std::vector<BYTE> ours, desktops;
    PSID self = tokenUser(GetCurrentProcess(), ours);
    account.runsAsSystem = self && IsWellKnownSid(self, WinLocalSystemSid);
    DWORD shellProcessId = 0;
    HWND shell = GetShellWindow();
    if (!shell || !GetWindowThreadProcessId(shell, &shellProcessId) || shellProcessId == 0)
        return account;
    KernelHandle shellProcess(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcessId));
    PSID desktop = shellProcess ? tokenUser(shellProcess.get(), desktops) : nullptr;
    account.desktopKnown = self && desktop;
    account.sameAsDesktop = account.desktopKnown && EqualSid(self, desktop);
    return account;
}

int programsFolderId() {
    return programsFolderFor(desktopAccount()) == ProgramsFolder::AllUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
}

}  // namespace

// A program outside the target (see nameLeaves) gets no shortcut: the
// shortcut starts for every user what the installation put there, nothing
// else. Its working folder is the target itself.
bool addProgramShortcut() {
    if (const NameLeaves leaves = nameLeaves(scriptSettings.iconExe); leaves != NameLeaves::No) {
        logLine(std::string("  iconexe ") + scriptSettings.iconExe + " " + nameLeavesText(leaves) +
                ": no shortcut, it would start a program outside the target");
        return false;
    }
    const std::string target = std::string(scriptSettings.targetDirSlash) + scriptSettings.iconExe;
    if (utf16Length(target) >= kPathCapacity)
        return false;

    // A Programs folder that the shell cannot supply means no shortcut.
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(messageOwner(), programsFolderId(), &list)) || !list)
        return false;
    const TaskMemory<LPITEMIDLIST> programs(list);
    const std::wstring widePrograms = itemListPath(programs.get());
    const std::string programsPath = toUtf8(widePrograms);
    if (widePrograms.empty() || !isFolder(programsPath))
        return false;

    // An empty group name makes nothing: the shortcut then lies in the
    // Programs folder itself. A group that cannot be made means no
    // shortcut, rather than one in the wrong folder.
    std::string folder = programsPath;
    if (scriptSettings.iconGroup[0] != '\0') {
        folder = fullPathOf(resolvedAgainst(programsPath, scriptSettings.iconGroup));
        if (!isFolder(folder))
            journalFolder(folder);
        if (CreateDirectoryW(toWide(folder).c_str(), nullptr))
            noteCreatedDirectory(folder.c_str());
        if (!isFolder(folder))
            return false;
    }
    const std::string link = joinPath(folder, scriptSettings.iconName) + ".lnk";
    if (folder.empty() || utf16Length(folder) >= kPathCapacity || utf16Length(link) >= kPathCapacity)
        return false;
    const bool existed = GetFileAttributesW(toWide(link).c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!journalFile(link))
        return false;
    if (FAILED(createProgramShortcut(target.c_str(), link.c_str(), scriptSettings.targetDirSlash,
                                     scriptSettings.shortcutArguments))) {
        restoreEarlierFile(link);
        return false;
    }
    noteWrittenFile(link.c_str(), existed);
    return true;
}

// Every setting of the link is checked: a link without its target, its
// arguments or its folder would be saved as a broken shortcut.
HRESULT createProgramShortcut(const char* target, const char* linkPath, const char* workingDir,
                              const char* arguments) {
    ComPtr<IShellLinkW> link;
    HRESULT result =
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid());
    if (FAILED(result))
        return result;
    if (FAILED(result = link->SetPath(toWide(target).c_str())))
        return result;
    if (FAILED(result = link->SetArguments(toWide(arguments).c_str())))
        return result;
    if (FAILED(result = link->SetWorkingDirectory(toWide(workingDir).c_str())))
        return result;

    ComPtr<IPersistFile> file;
    if (FAILED(result = link->QueryInterface(IID_IPersistFile, file.putVoid())))
        return result;
    return file->Save(toWide(linkPath).c_str(), TRUE);
}

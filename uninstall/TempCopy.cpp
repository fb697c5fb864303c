// A running program cannot delete its own file, nor the folder that holds
// it. So the uninstaller started from its folder continues from a copy of
// itself in a fresh folder of the temporary folder: the copy waits for the
// first process to end, does the removal (its own program file included),
// and at its end asks the system to delete the copy and its folder at the
// next restart (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT, granted to
// administrators; otherwise they stay in the temporary folder).
//
// The copy runs with an administrator's rights, so its folder is made new,
// with an access list of its own that lets no other user put a file into
// it; the program loads DLLs from the system folder only.
#include "uninstall/Uninstall.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/PathText.h"
#include "base/RecordWin32.h"
#include "base/HandlesWin32.h"

namespace {

constexpr DWORD kStarterWaitMs = 60000;
constexpr int kFolderAttempts = 100;
// SYSTEM, Administrators and the folder's owner: full control; no one else.
constexpr const char* kCopyFolderAccess = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";

// A folder of the temporary folder that did not exist before; empty when
// none could be made.
std::string makeFreshFolder() {
    char temp[MAX_PATH] = "";
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return {};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kCopyFolderAccess, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return {};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    std::string made;
    for (int attempt = 0; attempt < kFolderAttempts && made.empty(); ++attempt) {
        char name[80];
        std::snprintf(name, sizeof name, "uninstall-%lu-%lu-%d", static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(GetTickCount()), attempt);
        const std::string folder = joinPath(temp, name);
        if (CreateDirectoryA(folder.c_str(), &attributes))
            made = folder;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    LocalFree(descriptor);
    return made;
}

HANDLE handleFromText(const char* text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (!*text || *end || value == 0)
        return nullptr;
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

// The process that started this one, from the system's process list (it
// stays there after that process has ended); 0 when unknown.
DWORD parentProcessId() {
    FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            return entry.th32ParentProcessID;
    return 0;
}

}  // namespace

std::string ownPath() {
    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    return length > 0 && length < sizeof self ? std::string(self) : std::string();
}

bool continueFromTempCopy(const std::string& folder) {
    const std::string self = ownPath();
    const std::string fresh = self.empty() ? std::string() : makeFreshFolder();
    if (fresh.empty())
        return false;
    const std::string copy = joinPath(fresh, kUninstallerName);
    if (!CopyFileA(self.c_str(), copy.c_str(), TRUE)) {
        RemoveDirectoryA(fresh.c_str());
        return false;
    }
    SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    // The copy waits on this process, and knows who asked, through an
    // inherited handle: one that no process started otherwise can hold.
    KernelHandle inherited;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), inherited.put(),
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(fresh.c_str());
        return false;
    }
    std::string commandLine = "\"" + copy + "\" /continue " +
                              std::to_string(reinterpret_cast<std::uintptr_t>(inherited.get())) + " \"" + folder + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // The copy works in its own folder, never in a folder it removes.
    if (!CreateProcessA(copy.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, fresh.c_str(), &startup,
                        &info)) {
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(fresh.c_str());
        return false;
    }
    KernelHandle thread(info.hThread), process(info.hProcess);
    return true;
}

bool startedByAskingUninstaller(const char* handleText) {
    HANDLE starter = handleFromText(handleText);
    if (!starter)
        return false;
    const DWORD starterId = GetProcessId(starter);
    return starterId != 0 && starterId == parentProcessId();
}

void waitForStarter(const char* handleText) {
    KernelHandle starter(handleFromText(handleText));
    if (starter)
        WaitForSingleObject(starter.get(), kStarterWaitMs);
}

void removeSelfAtRestart() {
    const std::string self = ownPath();
    if (self.empty())
        return;
    MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    const std::size_t slash = self.find_last_of('\\');
    if (slash != std::string::npos)
        MoveFileExA(self.substr(0, slash).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

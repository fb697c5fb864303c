// A running program cannot delete its own file, nor the folder that holds
// it. So the uninstaller started in the target directory continues from a
// copy of itself in the temporary folder: the copy waits for the first
// process to end, does the removal (its own program file in the target
// included), and at its end asks the system to delete the copy at the next
// restart (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT, granted to
// administrators; otherwise the copy stays in the temporary folder).
#include "uninstall/Uninstall.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/RecordWin32.h"

namespace {

constexpr DWORD kStarterWaitMs = 60000;

// A copy with a name of its own in the temporary folder; empty when none
// could be made.
std::string copyToTemp(std::string& tempFolder) {
    char temp[MAX_PATH] = "";
    DWORD length = GetTempPathA(sizeof temp, temp);
    const std::string self = ownPath();
    if (length == 0 || length >= sizeof temp || self.empty())
        return {};
    tempFolder = temp;
    char name[64];
    std::snprintf(name, sizeof name, "uninstall-%lu-%lu.exe", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetTickCount()));
    const std::string copy = pathIn(tempFolder, name);
    if (!CopyFileA(self.c_str(), copy.c_str(), TRUE))
        return {};
    SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    return copy;
}

}  // namespace

std::string ownPath() {
    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    return length > 0 && length < sizeof self ? std::string(self) : std::string();
}

bool continueFromTempCopy(const std::string& target) {
    std::string tempFolder;
    const std::string copy = copyToTemp(tempFolder);
    if (copy.empty())
        return false;
    // The copy waits on this process through an inherited handle.
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0)) {
        DeleteFileA(copy.c_str());
        return false;
    }
    std::string commandLine = "\"" + copy + "\" /continue " +
                              std::to_string(reinterpret_cast<std::uintptr_t>(self)) + " \"" + target + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // The copy works in the temporary folder, never in a folder it removes.
    BOOL started = CreateProcessA(copy.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  tempFolder.c_str(), &startup, &info);
    CloseHandle(self);
    if (!started) {
        DeleteFileA(copy.c_str());
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

void waitForStarter(const char* handleText) {
    HANDLE starter = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(handleText, nullptr, 10)));
    if (!starter)
        return;
    WaitForSingleObject(starter, kStarterWaitMs);
    CloseHandle(starter);
}

void removeSelfAtRestart() {
    const std::string self = ownPath();
    if (!self.empty())
        MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

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

#include "core/PathText.h"
#include "record/RecordWin32.h"
#include "core/win32/FreshFolderWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"

namespace {

constexpr DWORD kStarterWaitMs = 60000;
constexpr int kFolderAttempts = 100;
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
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            return entry.th32ParentProcessID;
    return 0;
}

}  // namespace

namespace {

// "PROCESS,PIPE": the starter's process handle and the write end of the
// pipe that carries the exit code, as the copy inherited them.
bool splitHandles(const std::string& text, HANDLE& process, HANDLE& pipe) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return false;
    process = handleFromText(text.substr(0, comma).c_str());
    pipe = handleFromText(text.substr(comma + 1).c_str());
    return process && pipe;
}

std::string handleText(HANDLE handle) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

// The copy in a fresh folder; empty (nothing left behind) when it cannot
// be made.
std::string makeCopy(std::string& fresh) {
    const std::string self = ownProgramPath();
    fresh = self.empty() ? std::string() : makeFreshTempFolder("uninstall");
    if (fresh.empty())
        return {};
    const std::string copy = joinPath(fresh, kUninstallerName);
    if (!CopyFileW(toWide(self).c_str(), toWide(copy).c_str(), TRUE)) {
        RemoveDirectoryW(toWide(fresh).c_str());
        return {};
    }
    SetFileAttributesW(toWide(copy).c_str(), FILE_ATTRIBUTE_NORMAL);
    return copy;
}

}  // namespace

// The copy knows who asked, and tells it the result, through inherited
// handles: ones that no process started otherwise can hold. It reports the
// exit code when the removal is done, then outlives this process to remove
// its program file.
int removeThroughTempCopy(const std::string& folder, const std::string& options) {
    std::string fresh;
    const std::string copy = makeCopy(fresh);
    if (copy.empty())
        return -1;
    auto giveUp = [&] {
        DeleteFileW(toWide(copy).c_str());
        RemoveDirectoryW(toWide(fresh).c_str());
        return -1;
    };
    KernelHandle inherited;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), inherited.put(),
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0))
        return giveUp();
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    KernelHandle resultRead, resultWrite;
    if (!CreatePipe(resultRead.put(), resultWrite.put(), &inheritable, 0) ||
        !SetHandleInformation(resultRead.get(), HANDLE_FLAG_INHERIT, 0))
        return giveUp();
    std::wstring commandLine = toWide("\"" + copy + "\" /continue " + handleText(inherited.get()) + "," +
                              handleText(resultWrite.get()) + " \"" + folder + "\"" + options);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // The copy works in its own folder, never in a folder it removes.
    if (!CreateProcessW(toWide(copy).c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                        toWide(fresh).c_str(), &startup, &info))
        return giveUp();
    KernelHandle thread(info.hThread), process(info.hProcess);
    resultWrite.reset();  // the copy's end only: a copy that dies ends the read
    std::int32_t code = -1;
    DWORD got = 0;
    if (ReadFile(resultRead.get(), &code, sizeof code, &got, nullptr) && got == sizeof code)
        return code;
    DWORD exitCode = kExitIncomplete;
    WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), &exitCode);
    return static_cast<int>(exitCode);
}

bool startedByAskingUninstaller(const std::string& handles) {
    HANDLE starter = nullptr, pipe = nullptr;
    if (!splitHandles(handles, starter, pipe))
        return false;
    const DWORD starterId = GetProcessId(starter);
    DWORD type = 0;
    return starterId != 0 && starterId == parentProcessId() && GetFileType(pipe) == FILE_TYPE_PIPE &&
           GetHandleInformation(pipe, &type);
}

void reportToStarter(const std::string& handles, int exitCode) {
    HANDLE starterRaw = nullptr, pipeRaw = nullptr;
    if (!splitHandles(handles, starterRaw, pipeRaw))
        return;
    KernelHandle starter(starterRaw), pipe(pipeRaw);
    const std::int32_t code = exitCode;
    DWORD written = 0;
    WriteFile(pipe.get(), &code, sizeof code, &written, nullptr);
    pipe.reset();
    WaitForSingleObject(starter.get(), kStarterWaitMs);
}

void removeSelfAtRestart() {
    const std::string self = ownProgramPath();
    if (self.empty())
        return;
    MoveFileExW(toWide(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    const std::size_t slash = self.find_last_of('\\');
    if (slash != std::string::npos)
        MoveFileExW(toWide(self.substr(0, slash)).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

#include "core/win32/LogWin32.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstdio>

#include "core/Log.h"
#include "core/PathText.h"
#include "core/WideText.h"
#include "core/win32/FolderAccessWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"

namespace {

// The folder of ProgramData that holds an elevated run's default log.
constexpr const char* kProtectedLogFolder = "Dictionary Setup Logs";

std::FILE* logFile = nullptr;

// "2026-12-09 04:40:01.123 text", in local time.
void writeLine(const std::string& text) {
    if (!logFile)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::fprintf(logFile, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s\n", now.wYear, now.wMonth, now.wDay, now.wHour,
                 now.wMinute, now.wSecond, now.wMilliseconds, text.c_str());
    std::fflush(logFile);
}

// SYSTEM's own temporary folder, which other users cannot write, where the
// system has GetTempPath2W (for other accounts it names their own).
std::string systemTempFolder() {
    using TempPath2 = DWORD(WINAPI*)(DWORD, LPWSTR);
    const auto getTempPath2 = reinterpret_cast<TempPath2>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
    wchar_t temp[MAX_PATH + 1] = L"";
    const DWORD length = getTempPath2 ? getTempPath2(MAX_PATH + 1, temp) : 0;
    return length > 0 && length <= MAX_PATH ? toUtf8(temp) : std::string();
}

// Elevated, a folder only administrators can change: SYSTEM's temporary
// folder, else a protected folder of ProgramData. Empty when there is none.
std::string defaultLogFolder() {
    if (!processElevated())
        return tempFolder();
    if (processUserSid() == kSystemSid) {
        const std::string temp = systemTempFolder();
        if (!temp.empty())
            return temp;
    }
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_APPDATA, &list)) || !list)
        return {};
    const TaskMemory<LPITEMIDLIST> data(list);
    const std::wstring path = itemListPath(data.get());
    if (path.empty())
        return {};
    const std::string folder = joinPath(toUtf8(path), kProtectedLogFolder);
    if (makeProtectedFolder(folder) || judgeFolder(readFolderFacts(folder)) == FolderTrust::Trusted)
        return folder;
    return {};
}

// A log that is there already is written only when it is a plain file of
// one name that this account (or, elevated, the Administrators or SYSTEM)
// owns: not a link that leads elsewhere, nor another name of another file.
bool fitForLog(HANDLE file) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
        !GetFileInformationByHandle(file, &info) || info.nNumberOfLinks != 1)
        return false;
    const std::string owner = ownerOf(file);
    return !owner.empty() && (owner == processUserSid() || owner == kAdministratorsSid || owner == kSystemSid);
}

// Opened for appending without following a link; null when it may not be
// written. Where the system follows a link all the same (Wine does), the
// path the handle really has tells it.
std::FILE* openForAppending(const std::string& name) {
    const std::wstring wide = toWide(name);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return nullptr;
    FileHandle file(CreateFileW(wide.c_str(), FILE_APPEND_DATA | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file || !fitForLog(file.get()) || !handleNamesPath(file.get(), fullPathOf(name)))
        return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_APPEND | _O_WRONLY);
    if (descriptor < 0)
        return nullptr;
    file.release();
    std::FILE* stream = _fdopen(descriptor, "ab");
    if (!stream)
        _close(descriptor);
    return stream;
}

}  // namespace

bool openLogFile(const std::string& path, const char* defaultName) {
    std::string file = path;
    if (file.empty()) {
        const std::string folder = defaultLogFolder();
        if (folder.empty())
            return false;
        file = joinPath(folder, defaultName);
    }
    logFile = openForAppending(file);
    if (!logFile)
        return false;
    setLogSink(writeLine);
    return true;
}

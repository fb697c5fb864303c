#include "core/win32/InUseWin32.h"

#include <restartmanager.h>

#include "core/win32/HandlesWin32.h"
#include "core/WideText.h"

namespace {

// A Restart Manager session, ended once.
struct RestartSessionTraits {
    using Type = DWORD;
    static Type invalid() { return 0xFFFFFFFFu; }
    static void close(Type session) { RmEndSession(session); }
};
using RestartSession = UniqueHandle<RestartSessionTraits>;

// A session that knows the files; invalid when it cannot be had.
RestartSession sessionFor(const std::vector<std::string>& files) {
    DWORD handle = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = L"";
    if (files.empty() || RmStartSession(&handle, 0, key) != ERROR_SUCCESS)
        return RestartSession();
    RestartSession session(handle);
    std::vector<std::wstring> wide;
    for (const std::string& file : files)
        wide.push_back(toWide(file));
    std::vector<LPCWSTR> names;
    for (const std::wstring& name : wide)
        names.push_back(name.c_str());
    if (RmRegisterResources(session.get(), static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr) !=
        ERROR_SUCCESS)
        return RestartSession();
    return session;
}

}  // namespace

bool isInUseError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

bool fileHeld(const std::string& path) {
    FileHandle file(CreateFileW(toWide(path).c_str(), GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !file && isInUseError(GetLastError());
}

// The list is asked for until it fits: programs may start meanwhile.
std::vector<std::string> programsHolding(const std::vector<std::string>& files) {
    RestartSession session = sessionFor(files);
    if (!session)
        return {};
    std::vector<RM_PROCESS_INFO> found;
    UINT needed = 0, count = 0;
    DWORD reasons = 0;
    DWORD result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && result == ERROR_MORE_DATA; ++attempt) {
        found.resize(needed + 1);
        count = static_cast<UINT>(found.size());
        result = RmGetList(session.get(), &needed, &count, found.data(), &reasons);
    }
    std::vector<std::string> names;
    if (result != ERROR_SUCCESS)
        return names;
    for (UINT i = 0; i < count && i < found.size(); ++i) {
        found[i].strAppName[CCH_RM_MAX_APP_NAME] = L'\0';
        names.push_back(toUtf8(found[i].strAppName));
    }
    return names;
}

bool closeProgramsHolding(const std::vector<std::string>& files) {
    RestartSession session = sessionFor(files);
    return session && RmShutdown(session.get(), 0, nullptr) == ERROR_SUCCESS;
}

// The temporary lies in the destination's folder, so that the move at the
// restart stays on one volume; its name is one nobody has taken.
bool replaceAtRestart(const std::string& source, const std::string& destination, std::string& temporary,
                      const std::function<void(const std::string&)>& announce) {
    const std::wstring from = toWide(source);
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        const unsigned tag = (GetTickCount() ^ (GetCurrentProcessId() << 12) ^ (attempt * 0x9E3779B9u)) & 0xFFFFFFu;
        wchar_t suffix[16];
        swprintf(suffix, 16, L".%06x~", tag);
        const std::wstring wide = toWide(destination) + suffix;
        announce(toUtf8(wide));
        if (!CopyFileW(from.c_str(), wide.c_str(), TRUE)) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return false;
        }
        // A copy from a CD is read-only; the file it replaces must stay replaceable.
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(wide.c_str(), (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL);
        temporary = toUtf8(wide);
        if (moveAtRestart(temporary, destination))
            return true;
        DeleteFileW(wide.c_str());
        temporary.clear();
        return false;
    }
    return false;
}

bool moveAtRestart(const std::string& from, const std::string& to) {
    const DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (to.empty() ? 0 : MOVEFILE_REPLACE_EXISTING);
    return MoveFileExW(toWide(from).c_str(), to.empty() ? nullptr : toWide(to).c_str(), flags) != 0;
}

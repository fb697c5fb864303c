#include "record/RecordWin32.h"

#include <shlobj.h>

#include <cwchar>

#include "core/PathText.h"
#include "core/Collation.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"

namespace {

std::string specialFolder(int which) {
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return toUtf8(path);
}

// Every name of a null-separated list, the list ending in an empty name.
std::vector<std::string> splitNames(const wchar_t* names) {
    std::vector<std::string> out;
    for (const wchar_t* name = names; *name; name += wcslen(name) + 1)
        out.push_back(toUtf8(name));
    return out;
}

// The names of win.ini's sections (section null) or of one section's keys.
// The profile calls answer a buffer too small by filling it to size - 2:
// the buffer grows until the answer fits.
std::vector<std::string> profileNames(const char* section) {
    const std::wstring wideSection = section ? toWide(section) : std::wstring();
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        DWORD got = GetPrivateProfileStringW(section ? wideSection.c_str() : nullptr, nullptr, L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), L"win.ini");
        if (got + 2 < buffer.size() || buffer.size() > (1u << 24))
            break;
        buffer.assign(buffer.size() * 2, L'\0');
    }
    return splitNames(buffer.data());
}

}  // namespace

namespace {

void addFolder(std::vector<std::string>& list, const std::string& folder) {
    if (!folder.empty())
        list.push_back(longFolderName(folder));
}

std::string environmentFolder(const char* name) {
    wchar_t value[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(toWide(name).c_str(), value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? toUtf8(value) : std::string();
}

// The folder that holds the users' profiles: the one above the public
// profile, or above this user's.
std::string profilesFolder() {
    std::string profile = environmentFolder("PUBLIC");
    if (profile.empty())
        profile = specialFolder(CSIDL_PROFILE);
    profile = longFolderName(profile);
    const std::size_t slash = profile.find_last_of('\\');
    return slash == std::string::npos || slash < 3 ? std::string() : profile.substr(0, slash);
}

// The Programs folder of every profile. An elevated installation run by an
// administrator at the desktop puts its shortcut into that administrator's
// own Programs folder; SYSTEM or another administrator may uninstall it.
void addEveryProfilesPrograms(std::vector<std::string>& list, const std::string& profiles) {
    const std::string profile = longFolderName(specialFolder(CSIDL_PROFILE));
    const std::string programs = longFolderName(specialFolder(CSIDL_PROGRAMS));
    if (profiles.empty() || profile.empty() || !pathWithin(programs, profile, false))
        return;
    const std::string relative = programs.substr(profile.size() + 1);
    ScopedFind search(joinPath(profiles, "*"));
    if (!search.found())
        return;
    do {
        const std::string name = search.name();
        if (search.isFolder() && !(search.attributes() & FILE_ATTRIBUTE_REPARSE_POINT) && name != "." && name != "..")
            list.push_back(joinPath(joinPath(profiles, name), relative));
    } while (search.next());
}

}  // namespace

SystemFolders systemFolders() {
    SystemFolders system;
    system.windows = longFolderName(specialFolder(CSIDL_WINDOWS));
    for (int which : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86})
        addFolder(system.programFiles, specialFolder(which));
    addFolder(system.programFiles, environmentFolder("ProgramW6432"));
    system.profiles = profilesFolder();
    addFolder(system.userProfiles, specialFolder(CSIDL_PROFILE));
    addFolder(system.userProfiles, environmentFolder("PUBLIC"));
    for (int which : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
        addFolder(system.programs, specialFolder(which));
    return system;
}

RecordRoots recordRootsFor(const std::string& target) {
    const SystemFolders system = systemFolders();
    RecordRoots roots;
    roots.target = target;
    roots.startMenu = system.programs;
    // No target: the record is a protected one, which only an elevated
    // installation can have written, and what it lists it made itself.
    if (target.empty())
        addEveryProfilesPrograms(roots.startMenu, system.profiles);
    // Into a drive root, what lies in the system's own folders is never the
    // installation's: Windows, Program Files, the profiles, the shared data.
    roots.systemFolders = system.programFiles;
    addFolder(roots.systemFolders, system.windows);
    addFolder(roots.systemFolders, system.profiles);
    addFolder(roots.systemFolders, specialFolder(CSIDL_COMMON_APPDATA));
    return roots;
}

std::string protectedRecordFolder(const std::string& target) {
    const std::string programFiles = specialFolder(CSIDL_PROGRAM_FILES);
    if (programFiles.empty())
        return {};
    return joinPath(joinPath(longFolderName(programFiles), kProtectedRecordsFolder), uninstallKeyName(target));
}

std::string longFolderName(const std::string& folder) {
    std::string absolute = fullPathOf(folder);
    const std::wstring wide = toWide(absolute);
    const DWORD needed = GetLongPathNameW(wide.c_str(), nullptr, 0);
    if (needed > 0) {
        std::vector<wchar_t> longName(needed + 1, L'\0');
        const DWORD length = GetLongPathNameW(wide.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
        if (length > 0 && length < longName.size())
            absolute = toUtf8(std::wstring(longName.data(), length));
    }
    std::string normal = normalRecordPath(absolute, "");
    return normal.empty() ? folder : normal;
}

std::string uninstallKeyPath(const std::string& target) {
    return std::string(kUninstallParentKey) + "\\" + uninstallKeyName(target);
}

bool deleteUninstallEntry(HKEY root, const std::string& target) {
    const std::string path = uninstallKeyPath(target);
    RegistryKey key;
    const std::wstring widePath = toWide(path);
    if (RegOpenKeyExW(root, widePath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return true;
    wchar_t location[MAX_PATH * 2] = L"";
    DWORD size = sizeof location - sizeof(wchar_t);
    DWORD type = 0;
    LONG got =
        RegQueryValueExW(key.get(), L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(location), &size);
    key.reset();
    location[size / sizeof(wchar_t) < MAX_PATH * 2 ? size / sizeof(wchar_t) : MAX_PATH * 2 - 1] = L'\0';
    if (got == ERROR_SUCCESS && type == REG_SZ &&
        pathEquals(normalRecordPath(toUtf8(location), ""), normalRecordPath(target, "")))
        return RegDeleteKeyW(root, widePath.c_str()) == ERROR_SUCCESS;
    return true;
}

namespace {

// A REG_SZ value whole, whatever its length; empty when absent or of
// another type.
std::string registryText(HKEY key, const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return {};
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    value.back() = L'\0';
    return toUtf8(value.data());
}

}  // namespace

std::string installedVersion(const std::string& target, std::string& hive) {
    const std::wstring path = toWide(uninstallKeyPath(target));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegistryKey key;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
            continue;
        if (!pathEquals(normalRecordPath(registryText(key.get(), L"InstallLocation"), ""),
                        normalRecordPath(target, "")))
            continue;
        hive = root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU";
        return registryText(key.get(), L"DisplayVersion");
    }
    return {};
}

std::string dictionaryValue(const char* key) {
    const std::wstring section = toWide(kRecordSection), wideKey = toWide(key);
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        DWORD got = GetPrivateProfileStringW(section.c_str(), wideKey.c_str(), L"", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), L"win.ini");
        if (got + 1 < buffer.size() || buffer.size() > (1u << 24))
            return toUtf8(std::wstring(buffer.data(), got));
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

bool writeDictionaryValue(const char* key, const char* value) {
    return WritePrivateProfileStringW(toWide(kRecordSection).c_str(), key ? toWide(key).c_str() : nullptr,
                                      value ? toWide(value).c_str() : nullptr, L"win.ini") != 0;
}

std::vector<std::string> dictionaryKeys(bool& sectionExists) {
    sectionExists = false;
    for (const std::string& section : profileNames(nullptr))
        if (foldEquals(section.c_str(), kRecordSection))
            sectionExists = true;
    if (!sectionExists)
        return {};
    return profileNames(kRecordSection);
}

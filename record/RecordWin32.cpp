#include "record/RecordWin32.h"

#include <shlobj.h>

#include <cwchar>

#include "core/PathText.h"
#include "core/Collation.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"

namespace {

// The shell names the folder by an item list, whose path has no length
// limit of its own.
std::string specialFolder(int which) {
    TaskMemory<LPITEMIDLIST> folder;
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, which, &list)))
        return {};
    folder.reset(list);
    return toUtf8(itemListPath(folder.get()));
}

// Every name of a null-separated list, the list ending in an empty name.
std::vector<std::string> splitNames(const wchar_t* names) {
    std::vector<std::string> out;
    for (const wchar_t* name = names; *name; name += wcslen(name) + 1)
        out.push_back(toUtf8(name));
    return out;
}

// The names of win.ini's sections (section null) or of one section's keys.
// The profile calls answer a buffer too small by filling it to size - 2.
std::vector<std::string> profileNames(const char* section) {
    const std::wstring wideSection = section ? toWide(section) : std::wstring();
    const std::wstring names = grownText([&](wchar_t* buffer, DWORD size) {
        const DWORD got = GetPrivateProfileStringW(section ? wideSection.c_str() : nullptr, nullptr, L"", buffer,
                                                   size, L"win.ini");
        return got + 2 >= size ? size : got;
    });
    return splitNames(names.c_str());
}

// A REG_SZ value whole, without the terminator it is stored with; empty
// when there is none of that type.
std::wstring textValue(HKEY key, const wchar_t* name) {
    return grownText([&](wchar_t* buffer, DWORD size) -> DWORD {
        DWORD bytes = (size - 1) * sizeof(wchar_t), type = 0;
        const LONG got = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
        if (got == ERROR_MORE_DATA)
            return bytes / sizeof(wchar_t) + 1;
        if (got != ERROR_SUCCESS || type != REG_SZ)
            return 0;
        DWORD length = bytes / sizeof(wchar_t);
        while (length > 0 && buffer[length - 1] == L'\0')
            --length;
        return length;
    });
}

void addFolder(std::vector<std::string>& list, const std::string& folder) {
    if (!folder.empty())
        list.push_back(longFolderName(folder));
}

std::string environmentFolder(const char* name) {
    const std::wstring wideName = toWide(name);
    return toUtf8(
        grownText([&](wchar_t* buffer, DWORD size) { return GetEnvironmentVariableW(wideName.c_str(), buffer, size); }));
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
    const std::wstring longName =
        grownText([&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(wide.c_str(), buffer, size); });
    if (!longName.empty())
        absolute = toUtf8(longName);
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
    const std::wstring location = textValue(key.get(), L"InstallLocation");
    key.reset();
    if (!location.empty() && pathEquals(normalRecordPath(toUtf8(location), ""), normalRecordPath(target, "")))
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
    return toUtf8(grownText([&](wchar_t* buffer, DWORD size) {
        const DWORD got = GetPrivateProfileStringW(section.c_str(), wideKey.c_str(), L"", buffer, size, L"win.ini");
        return got + 1 >= size ? size : got;
    }));
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

#include "base/RecordWin32.h"

#include <shlobj.h>

#include <cstring>

#include "base/PathText.h"
#include "base/Collation.h"
#include "base/HandlesWin32.h"

namespace {

std::string specialFolder(int which) {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return path;
}

// Every name of a null-separated list, the list ending in an empty name.
std::vector<std::string> splitNames(const char* names) {
    std::vector<std::string> out;
    for (const char* name = names; *name; name += std::strlen(name) + 1)
        out.emplace_back(name);
    return out;
}

// The names of win.ini's sections (section null) or of one section's keys.
// The profile calls answer a buffer too small by filling it to size - 2:
// the buffer grows until the answer fits.
std::vector<std::string> profileNames(const char* section) {
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD got = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), "win.ini");
        if (got + 2 < buffer.size() || buffer.size() > (1u << 24))
            break;
        buffer.assign(buffer.size() * 2, '\0');
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
    char value[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value) : std::string();
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
    char full[MAX_PATH] = "";
    DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    std::string absolute = length > 0 && length < sizeof full ? full : folder;
    char longName[MAX_PATH] = "";
    length = GetLongPathNameA(absolute.c_str(), longName, sizeof longName);
    if (length > 0 && length < sizeof longName)
        absolute = longName;
    std::string normal = normalRecordPath(absolute, "");
    return normal.empty() ? folder : normal;
}

std::string uninstallKeyPath(const std::string& target) {
    return std::string(kUninstallParentKey) + "\\" + uninstallKeyName(target);
}

bool deleteUninstallEntry(HKEY root, const std::string& target) {
    const std::string path = uninstallKeyPath(target);
    RegistryKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return true;
    char location[MAX_PATH * 2] = "";
    DWORD size = sizeof location - 1;
    DWORD type = 0;
    LONG got =
        RegQueryValueExA(key.get(), "InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(location), &size);
    key.reset();
    location[size < sizeof location ? size : sizeof location - 1] = '\0';
    if (got == ERROR_SUCCESS && type == REG_SZ &&
        foldEquals(normalRecordPath(location, "").c_str(), normalRecordPath(target, "").c_str()))
        return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
    return true;
}

std::string dictionaryValue(const char* key) {
    std::vector<char> buffer(1024);
    for (;;) {
        DWORD got = GetPrivateProfileStringA(kRecordSection, key, "", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), "win.ini");
        if (got + 1 < buffer.size() || buffer.size() > (1u << 24))
            return std::string(buffer.data(), got);
        buffer.assign(buffer.size() * 2, '\0');
    }
}

std::vector<std::string> dictionaryKeys(bool& sectionExists) {
    sectionExists = false;
    for (const std::string& section : profileNames(nullptr))
        if (lstrcmpiA(section.c_str(), kRecordSection) == 0)
            sectionExists = true;
    if (!sectionExists)
        return {};
    return profileNames(kRecordSection);
}

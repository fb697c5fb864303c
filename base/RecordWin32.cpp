#include "base/RecordWin32.h"

#include <shlobj.h>

#include <cstring>

#include "base/Collation.h"

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

RecordRoots recordRootsFor(const std::string& target) {
    RecordRoots roots;
    roots.target = target;
    for (int which : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        std::string folder = specialFolder(which);
        if (!folder.empty())
            roots.startMenu.push_back(longFolderName(folder));
    }
    return roots;
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

std::string pathIn(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

std::string uninstallKeyPath(const std::string& target) {
    return std::string(kUninstallParentKey) + "\\" + uninstallKeyName(target);
}

void deleteUninstallEntry(HKEY root, const std::string& target) {
    const std::string path = uninstallKeyPath(target);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    char location[MAX_PATH * 2] = "";
    DWORD size = sizeof location - 1;
    DWORD type = 0;
    LONG got = RegQueryValueExA(key, "InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(location), &size);
    RegCloseKey(key);
    location[size < sizeof location ? size : sizeof location - 1] = '\0';
    if (got == ERROR_SUCCESS && type == REG_SZ &&
        foldEquals(normalRecordPath(location, "").c_str(), normalRecordPath(target, "").c_str()))
        RegDeleteKeyA(root, path.c_str());
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

// The path rules of the install record: one spelling for every path, the
// test of where a path lies, the order of removal and the Uninstall key's
// name. Windows paths, judged as text, so that the host tests them too. The
// text is UTF-8, in which no byte of a character of more than one byte is a
// backslash, a slash, a colon or a dot; names are compared by pathEquals.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/Collation.h"
#include "core/FileLayer.h"
#include "record/InstallRecord.h"
#include "core/PathText.h"

namespace {

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The names of a path between its backslashes; a root's own backslash
// ("C:\") makes no empty name at its end.
std::vector<std::string> namesOf(const std::string& path) {
    std::vector<std::string> names;
    std::size_t at = 0;
    for (std::size_t end; (end = path.find('\\', at)) != std::string::npos; at = end + 1)
        names.push_back(path.substr(at, end - at));
    if (at < path.size())
        names.push_back(path.substr(at));
    return names;
}

// "C:" for a drive path, "\\server\share" for a network path; empty for
// anything else (relative, drive-relative "C:x", rooted "\x").
std::string rootPrefix(const std::string& path, std::size_t& restAt) {
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == ':' &&
        path[2] == '\\') {
        restAt = 3;
        return path.substr(0, 2);
    }
    if (path.size() == 2 && isDriveLetter(path[0]) && path[1] == ':') {
        restAt = 2;
        return path;
    }
    if (path.compare(0, 2, "\\\\") != 0)
        return {};
    std::size_t server = path.find('\\', 2);
    if (server == std::string::npos || server == 2)
        return {};
    std::size_t share = path.find('\\', server + 1);
    if (share == server + 1)
        return {};
    restAt = share == std::string::npos ? path.size() : share + 1;
    return path.substr(0, share);
}

bool isAbsolute(const std::string& path) {
    std::size_t restAt = 0;
    return !rootPrefix(path, restAt).empty();
}

std::string cutTrailingDotsAndSpaces(std::string component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' '))
        component.pop_back();
    return component;
}

bool withinAnyStartMenu(const std::string& path, const RecordRoots& roots) {
    for (const std::string& root : roots.startMenu)
        if (pathWithin(path, normalRecordPath(root, ""), false))
            return true;
    return false;
}

bool withinAnySystemFolder(const std::string& path, const RecordRoots& roots) {
    for (const std::string& folder : roots.systemFolders)
        if (pathWithin(path, normalRecordPath(folder, ""), true))
            return true;
    return false;
}

}  // namespace

std::string normalRecordPath(const std::string& given, const std::string& base) {
    std::string path = given;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!isAbsolute(path)) {
        if (base.empty() || !isAbsolute(base) || path.empty() || path[0] == '\\' ||
            (path.size() >= 2 && path[1] == ':'))
            return {};
        path = base + "\\" + path;
        std::replace(path.begin(), path.end(), '/', '\\');
    }
    std::size_t at = 0;
    const std::string prefix = rootPrefix(path, at);
    std::vector<std::string> parts;
    while (at <= path.size()) {
        std::size_t next = std::min(path.find('\\', at), path.size());
        const std::string part = path.substr(at, next - at);
        at = next + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return {};
            parts.pop_back();
            continue;
        }
        const std::string cut = cutTrailingDotsAndSpaces(part);
        if (cut.empty())
            return {};
        parts.push_back(cut);
    }
    // A drive root keeps its backslash: "C:" alone names the drive's
    // current directory, not its root.
    std::string normal = prefix;
    for (const std::string& part : parts)
        normal += "\\" + part;
    if (parts.empty() && normal.size() == 2 && normal[1] == ':')
        normal += "\\";
    return normal;
}

bool isDriveRoot(const std::string& path) {
    return path.size() == 3 && isDriveLetter(path[0]) && path[1] == ':' &&
           path[2] == '\\';
}

// Compared name by name, so that a name is only ever compared with a whole
// name, by the system's comparison.
bool pathWithin(const std::string& path, const std::string& root, bool rootItself) {
    if (root.empty() || normalRecordPath(path, "") != path)
        return false;
    const std::vector<std::string> names = namesOf(path), rootNames = namesOf(root);
    if (names.size() < rootNames.size() ||
        !std::equal(rootNames.begin(), rootNames.end(), names.begin(), pathEquals))
        return false;
    if (names.size() == rootNames.size())
        return rootItself;
    for (auto name = names.begin() + static_cast<std::ptrdiff_t>(rootNames.size()); name != names.end(); ++name)
        if (std::any_of(name->begin(), name->end(), [](char c) {
                return static_cast<unsigned char>(c) < 32 || std::strchr(":*?\"<>|/", c) != nullptr;
            }))
            return false;
    return true;
}

std::vector<std::string> deepestFirst(std::vector<std::string> directories) {
    auto depth = [](const std::string& path) { return std::count(path.begin(), path.end(), '\\'); };
    std::stable_sort(directories.begin(), directories.end(), [&](const std::string& a, const std::string& b) {
        if (depth(a) != depth(b))
            return depth(a) > depth(b);
        return a.size() > b.size();
    });
    return directories;
}

// FNV-1a over the folded normal spelling, 64 bits in hexadecimal. A drive
// root is hashed without its backslash.
std::string uninstallKeyName(const std::string& target) {
    std::string normal = normalRecordPath(target, "");
    if (normal.empty())
        normal = target;
    if (isDriveRoot(normal))
        normal.pop_back();
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : foldedKey(normal.c_str())) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[40];
    std::snprintf(name, sizeof name, "Dictionary_%016llx", static_cast<unsigned long long>(hash));
    return name;
}

std::string pathFromFinalName(const std::string& finalName) {
    if (finalName.compare(0, 8, "\\\\?\\UNC\\") == 0)
        return "\\\\" + finalName.substr(8);
    if (finalName.compare(0, 4, "\\\\?\\") == 0)
        return finalName.substr(4);
    return finalName;
}

std::string refusedTargetReason(const std::string& target, const SystemFolders& system) {
    const std::string normal = normalRecordPath(target, "");
    auto same = [&](const std::string& folder) {
        return !folder.empty() && pathEquals(normalRecordPath(folder, ""), normal);
    };
    if (normal.empty())
        return {};
    if (same(system.windows))
        return "the Windows folder";
    for (const std::string& folder : system.programFiles)
        if (same(folder))
            return "a Program Files folder";
    // The folder that holds the profiles, and every folder directly in it.
    const std::string profiles = normalRecordPath(system.profiles, "");
    if (same(profiles) || (!profiles.empty() && pathWithin(normal, profiles, false) &&
                           normal.find('\\', profiles.size() + 1) == std::string::npos))
        return "a user's profile folder";
    for (const std::string& folder : system.userProfiles)
        if (same(folder))
            return "a user's profile folder";
    for (const std::string& folder : system.programs)
        if (same(folder))
            return "a Programs folder of the Start menu";
    return {};
}

bool insideInstallation(const std::string& path, bool directory, const RecordRoots& roots) {
    if (withinAnyStartMenu(path, roots))
        return true;
    const std::string target = normalRecordPath(roots.target, "");
    if (!pathWithin(path, target, directory && !isDriveRoot(target)))
        return false;
    return !isDriveRoot(target) || !withinAnySystemFolder(path, roots);
}

void keepWithinRoots(InstallRecord& record, const RecordRoots& roots) {
    auto outside = [&](bool dir) {
        return [&, dir](const std::string& path) { return !insideInstallation(path, dir, roots); };
    };
    for (auto* list : {&record.files, &record.existed})
        list->erase(std::remove_if(list->begin(), list->end(), outside(false)), list->end());
    auto& dirs = record.directories;
    dirs.erase(std::remove_if(dirs.begin(), dirs.end(), outside(true)), dirs.end());
    auto& keys = record.iniKeys;
    keys.erase(std::remove_if(keys.begin(), keys.end(),
                              [](const IniKeyChange& c) {
                                  return c.key.empty() || c.key.find_first_of("=\r\n") != std::string::npos ||
                                         c.previous.find_first_of("\r\n") != std::string::npos ||
                                         c.given.find_first_of("\r\n") != std::string::npos;
                              }),
               keys.end());
}

bool recordTargetExpected(const std::string& target, const RecordRoots& roots) {
    const std::string normal = normalRecordPath(target, "");
    if (normal.empty())
        return false;
    if (!roots.target.empty())
        return pathEquals(normal, normalRecordPath(roots.target, ""));
    return !roots.keyName.empty() && foldEquals(uninstallKeyName(normal).c_str(), roots.keyName.c_str());
}

std::string currentRecordIn(const std::string& folder) {
    const std::string waiting = joinPath(folder, kWaitingRecordName);
    return fileExists(waiting.c_str()) ? waiting : joinPath(folder, kRecordName);
}

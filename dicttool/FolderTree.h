// A folder tree as Windows sees it, for the plan of the setup script: names
// compared without case, paths with backslashes or slashes, "." and ".."
// resolved by their text, trailing dots and blanks of a name ignored, and
// patterns matched as the find-first/find-next enumeration matches them.
// Each folder is listed once, when it is first asked for.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "dicttool/Platform.h"

// A relative path in its normal form: its names joined by "\", without "."
// and ".." and empty names; "" is the folder itself. False when the path
// names a drive or a root, or climbs out of the folder.
bool normalRelativePath(const std::string& path, std::string& normal);

// The name matches the pattern: "*" any run of characters, "?" one, case
// ignored; "*.*" matches every name, and a pattern ending in ".*" also the
// name without that extension.
bool matchesPattern(const std::string& name, const std::string& pattern);

struct TreeEntry {
    std::string name;    // UTF-8
    std::string native;  // as the system spells it
    std::string folded;  // foldedName(name)
    bool isFolder = false;
};

class FolderTree {
public:
    explicit FolderTree(std::string nativeRoot);
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;

    // What a normal relative path names; actual receives its spelling on disk.
    PathKind kind(const std::string& normal, std::string* actual = nullptr);

    // The entries of the folder a normal relative path names, in the order
    // of their folded names; nullptr when it names no folder.
    const std::vector<TreeEntry>* entries(const std::string& normal);

    // The native path of a file or folder found in the tree.
    std::string nativePath(const std::string& normal);

private:
    struct Folder {
        std::string native;  // full native path
        std::vector<TreeEntry> entries;
        std::unordered_map<std::string, std::size_t> byFolded;
    };
    const Folder* folder(const std::string& normal);
    const TreeEntry* find(const std::string& normal, std::string* nativeFull, std::string* actual);

    std::string root_;
    std::unordered_map<std::string, Folder> folders_;  // by folded normal path
    std::unordered_map<std::string, bool> missing_;     // folded paths known not to be folders
};

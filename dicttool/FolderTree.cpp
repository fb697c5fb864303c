#include "dicttool/FolderTree.h"

#include <algorithm>

#include "core/PathText.h"
#include "core/Utf8Text.h"

namespace {

// A name as Windows opens it: trailing dots and blanks dropped.
std::string windowsName(std::string name) {
    if (name == "." || name == "..")
        return name;
    const std::string::size_type end = name.find_last_not_of(". ");
    name.erase(end == std::string::npos ? 0 : end + 1);
    return name;
}

// The parent of a normal path and its last name.
void splitLast(const std::string& normal, std::string& parent, std::string& name) {
    const std::string::size_type cut = normal.rfind('\\');
    parent = cut == std::string::npos ? std::string() : normal.substr(0, cut);
    name = cut == std::string::npos ? normal : normal.substr(cut + 1);
}

// The characters of UTF-8 text: "?" matches one character, not one byte.
std::u32string charactersOf(const std::string& utf8) {
    std::u32string characters;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0xFFFD;
        std::size_t length = 1;
        utf8Character(utf8, at, c, length);
        characters += c;
        at += length;
    }
    return characters;
}

bool matchFolded(const std::string& folded, const std::string& foldedPattern) {
    const std::u32string name = charactersOf(folded), pattern = charactersOf(foldedPattern);
    std::size_t n = 0, p = 0, starName = 0, starPattern = std::u32string::npos;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starPattern = ++p;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starPattern != std::u32string::npos) {
            p = starPattern;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool normalRelativePath(const std::string& path, std::string& normal) {
    if (path.find(':') != std::string::npos || (!path.empty() && (path[0] == '\\' || path[0] == '/')))
        return false;
    std::vector<std::string> names;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        std::string::size_type end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = windowsName(path.substr(start, end - start));
        if (name == "..") {
            if (names.empty())
                return false;
            names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    normal.clear();
    for (const std::string& name : names)
        normal += (normal.empty() ? "" : "\\") + name;
    return true;
}

bool matchesPattern(const std::string& name, const std::string& pattern) {
    if (pattern == "*.*")
        return true;
    const std::string folded = foldedName(name);
    const std::string foldedPattern = foldedName(pattern);
    if (matchFolded(folded, foldedPattern))
        return true;
    const bool anyExtension = foldedPattern.size() >= 2 && foldedPattern.compare(foldedPattern.size() - 2, 2, ".*") == 0;
    return anyExtension && folded.find('.') == std::string::npos &&
           matchFolded(folded, foldedPattern.substr(0, foldedPattern.size() - 2));
}

FolderTree::FolderTree(std::string nativeRoot) : root_(std::move(nativeRoot)) {}

// Lists a folder the first time it is asked for; nullptr when the path
// names no folder.
const FolderTree::Folder* FolderTree::folder(const std::string& normal) {
    const std::string key = foldedName(normal);
    if (auto it = folders_.find(key); it != folders_.end())
        return &it->second;
    if (missing_.count(key))
        return nullptr;
    std::string native = root_;
    if (!normal.empty()) {
        const TreeEntry* entry = find(normal, &native, nullptr);
        if (!entry || !entry->isFolder) {
            missing_[key] = true;
            return nullptr;
        }
    }
    std::vector<FolderEntry> listed;
    if (!listFolder(native, listed)) {
        missing_[key] = true;
        return nullptr;
    }
    Folder& made = folders_[key];
    made.native = native;
    for (const FolderEntry& e : listed) {
        const std::string name = textName(e.name);
        made.entries.push_back({name, e.name, foldedName(name), e.isFolder});
    }
    std::sort(made.entries.begin(), made.entries.end(),
              [](const TreeEntry& a, const TreeEntry& b) { return a.folded < b.folded; });
    for (std::size_t i = 0; i < made.entries.size(); ++i)
        made.byFolded.emplace(made.entries[i].folded, i);
    return &made;
}

const TreeEntry* FolderTree::find(const std::string& normal, std::string* nativeFull, std::string* actual) {
    std::string parentPath, name;
    splitLast(normal, parentPath, name);
    const Folder* parent = folder(parentPath);
    if (!parent)
        return nullptr;
    const auto it = parent->byFolded.find(foldedName(name));
    if (it == parent->byFolded.end())
        return nullptr;
    const TreeEntry& entry = parent->entries[it->second];
    if (nativeFull)
        *nativeFull = joinNativePath(parent->native, entry.native);
    if (actual) {
        std::string parentActual;
        if (!parentPath.empty())
            find(parentPath, nullptr, &parentActual);
        *actual = parentActual.empty() ? entry.name : parentActual + "\\" + entry.name;
    }
    return &entry;
}

PathKind FolderTree::kind(const std::string& normal, std::string* actual) {
    if (normal.empty()) {
        if (actual)
            actual->clear();
        return folder("") ? PathKind::Folder : PathKind::Missing;
    }
    const TreeEntry* entry = find(normal, nullptr, actual);
    if (!entry)
        return PathKind::Missing;
    return entry->isFolder ? PathKind::Folder : PathKind::File;
}

const std::vector<TreeEntry>* FolderTree::entries(const std::string& normal) {
    const Folder* found = folder(normal);
    return found ? &found->entries : nullptr;
}

std::string FolderTree::nativePath(const std::string& normal) {
    if (normal.empty())
        return root_;
    std::string native;
    return find(normal, &native, nullptr) ? native : joinNativePath(root_, nativeName(normal));
}

#include "core/win32/NoLinkFileWin32.h"

#include <cstring>

#include "core/WideText.h"
#include "core/win32/HandlesWin32.h"

namespace {

constexpr DWORD kAllSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A folder of the way is held without FILE_SHARE_DELETE: nobody can rename
// or remove it, and so put a link in its place, while it is held.
constexpr DWORD kHeldFolderSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool isNotThereError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

ReachedItem failure(Reach outcome, DWORD error) {
    ReachedItem item;
    item.outcome = outcome;
    item.error = outcome == Reach::Link ? ERROR_STOPPED_ON_SYMLINK : error;
    return item;
}

// The final path without its trailing backslash (a drive root's), so that
// the folder of an item compares with it.
std::wstring withoutTrailingSlash(std::wstring path) {
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// Whether the final path names an item directly in folder (a final path
// too, without its trailing backslash). Only the folder is compared, so a
// short (8.3) or differently cased name is the same item.
bool liesDirectlyIn(const std::wstring& finalPath, const std::wstring& folder) {
    const std::size_t slash = finalPath.find_last_of(L'\\');
    return slash != std::wstring::npos && slash + 1 < finalPath.size() && sameName(finalPath.substr(0, slash), folder);
}

// The parts of a relative name; false when it climbs out or is absolute.
bool nameParts(const std::string& relative, std::vector<std::string>& parts) {
    if (!relative.empty() && (relative[0] == '\\' || relative[0] == '/'))
        return false;
    if (relative.find(':') != std::string::npos)
        return false;
    std::string part;
    for (std::size_t at = 0; at <= relative.size(); ++at) {
        if (at < relative.size() && relative[at] != '\\' && relative[at] != '/') {
            part += relative[at];
            continue;
        }
        if (part == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    return !parts.empty();
}

}  // namespace

std::wstring finalPathOf(HANDLE handle) {
    std::vector<wchar_t> name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return {};
        if (length < name.size())
            return std::wstring(name.data(), length);
        name.assign(length + 1, L'\0');
    }
}

DWORD attributesOf(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag))
        return INVALID_FILE_ATTRIBUTES;
    return tag.FileAttributes;
}

// A link is refused before it is opened too: a system that opens what the
// link leads to despite FILE_FLAG_OPEN_REPARSE_POINT is still caught by the
// attributes of the name.
ReachedItem openItself(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    const std::wstring wide = toWide(path);
    const DWORD named = GetFileAttributesW(wide.c_str());
    if (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT))
        return failure(Reach::Link, 0);
    ReachedItem item;
    item.handle.reset(CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!item.handle) {
        const DWORD error = GetLastError();
        return failure(isNotThereError(error) ? Reach::NotThere : Reach::Failed, error);
    }
    item.attributes = attributesOf(item.handle.get());
    if (item.attributes == INVALID_FILE_ATTRIBUTES)
        return failure(Reach::Failed, GetLastError());
    if (item.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return failure(Reach::Link, 0);
    item.outcome = Reach::Reached;
    return item;
}

bool deleteThroughHandle(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool renameThroughHandle(HANDLE handle, const std::wstring& name, bool replace) {
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (name.size() + 1) * sizeof(wchar_t), 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(handle, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
}

bool removeEmptyFolder(const std::string& path) {
    ReachedItem folder = openItself(path, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kAllSharing, OPEN_EXISTING);
    if (folder.outcome == Reach::NotThere)
        return true;
    return folder.outcome == Reach::Reached && (folder.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           deleteThroughHandle(folder.handle.get());
}

InsideWalk::InsideWalk(const std::string& root, const std::string& relative) {
    std::vector<std::string> parts;
    if (!nameParts(relative, parts)) {
        outcome_ = Reach::Outside;
        return;
    }
    std::wstring path = toWide(root.empty() ? currentDirectory() : root);
    FileHandle rootFolder(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE, kHeldFolderSharing, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!rootFolder) {
        error_ = GetLastError();
        outcome_ = isNotThereError(error_) ? Reach::NotThere : Reach::Failed;
        return;
    }
    lastFolder_ = withoutTrailingSlash(finalPathOf(rootFolder.get()));
    if (lastFolder_.empty()) {
        error_ = GetLastError();
        return;
    }
    folders_.push_back(std::move(rootFolder));
    if (path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        path += toWide(parts[i]);
        ReachedItem folder = openItself(toUtf8(path), FILE_READ_ATTRIBUTES | SYNCHRONIZE, kHeldFolderSharing,
                                        OPEN_EXISTING);
        if (folder.outcome == Reach::Reached && !(folder.attributes & FILE_ATTRIBUTE_DIRECTORY))
            folder = failure(Reach::Failed, ERROR_DIRECTORY);
        const std::wstring final = folder.outcome == Reach::Reached ? finalPathOf(folder.handle.get()) : L"";
        if (folder.outcome == Reach::Reached && !liesDirectlyIn(final, lastFolder_))
            folder = failure(Reach::Link, 0);
        if (folder.outcome != Reach::Reached) {
            outcome_ = folder.outcome;
            error_ = folder.error;
            return;
        }
        lastFolder_ = final;
        folders_.push_back(std::move(folder.handle));
        path += L'\\';
    }
    path_ = path + toWide(parts.back());
    outcome_ = Reach::Reached;
}

ReachedItem InsideWalk::open(DWORD access, DWORD share, DWORD disposition) const {
    if (outcome_ != Reach::Reached)
        return failure(outcome_, error_);
    ReachedItem item = openItself(toUtf8(path_), access, share, disposition);
    if (item.outcome == Reach::Reached && !liesDirectlyIn(finalPathOf(item.handle.get()), lastFolder_))
        return failure(Reach::Link, 0);
    return item;
}

DWORD reachError(Reach outcome, DWORD error) {
    switch (outcome) {
    case Reach::Reached:
        return 0;
    case Reach::Link:
        return ERROR_STOPPED_ON_SYMLINK;
    case Reach::Outside:
        return ERROR_INVALID_NAME;
    case Reach::NotThere:
        return error != 0 ? error : ERROR_PATH_NOT_FOUND;
    case Reach::Failed:
        break;
    }
    return error != 0 ? error : ERROR_ACCESS_DENIED;
}

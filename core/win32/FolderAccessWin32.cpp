#include "core/win32/FolderAccessWin32.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <map>
#include <vector>

#include "core/WideText.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"

namespace {

std::string sidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text))
        return {};
    const std::string out = toUtf8(text);
    LocalFree(text);
    return out;
}

// Folders judged in this run, by their folded full spelling.
std::map<std::string, FolderTrust>& judgedFolders() {
    static std::map<std::string, FolderTrust> judged;
    return judged;
}

std::string folderKey(const std::string& path) {
    std::string key = path;
    while (key.size() > 3 && key.back() == '\\')
        key.pop_back();
    for (char& c : key)
        c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return key;
}

// The allowing entries of a list. Only the plain and callback kinds carry
// their SID at a fixed place; the others are listed with no account, which
// no check trusts.
std::vector<AccessEntry> allowingEntries(const ACL* list) {
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(const_cast<ACL*>(list), i, &ace))
            continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        const BYTE type = header->AceType;
        if (type != ACCESS_ALLOWED_ACE_TYPE && type != ACCESS_ALLOWED_CALLBACK_ACE_TYPE &&
            type != ACCESS_ALLOWED_OBJECT_ACE_TYPE && type != ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE)
            continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        AccessEntry entry;
        entry.mask = allowed->Mask;
        entry.flags = header->AceFlags;
        if (type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            entry.sid = sidText(const_cast<DWORD*>(&allowed->SidStart));
        entries.push_back(entry);
    }
    return entries;
}

bool isDriveRoot(const std::string& path) {
    return path.size() == 3 && path[1] == ':' && path[2] == '\\' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// The path with "\\?\" taken off, in its long spelling where it exists.
std::string longSpelling(std::string path) {
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0)
        path = "\\\\" + path.substr(8);
    else if (path.compare(0, 4, "\\\\?\\") == 0)
        path = path.substr(4);
    const std::wstring wide = toWide(path);
    std::vector<wchar_t> full(wide.size() + 1024, L'\0');
    const DWORD length = GetLongPathNameW(wide.c_str(), full.data(), static_cast<DWORD>(full.size()));
    return length > 0 && length < full.size() ? toUtf8(std::wstring(full.data(), length)) : path;
}

}  // namespace

bool handleNamesPath(HANDLE handle, const std::string& path) {
    std::vector<wchar_t> name(1024);
    DWORD length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
    if (length >= name.size()) {
        name.assign(length + 1, L'\0');
        length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()), 0);
    }
    if (length == 0 || length >= name.size())
        return false;
    std::wstring seen = toWide(longSpelling(toUtf8(std::wstring(name.data(), length))));
    std::wstring wanted = toWide(longSpelling(fullPathOf(path)));
    while (wanted.size() > 3 && wanted.back() == L'\\')
        wanted.pop_back();
    return CompareStringOrdinal(seen.c_str(), -1, wanted.c_str(), -1, TRUE) == CSTR_EQUAL;
}

SecurityAttributes::SecurityAttributes(const std::string& listText) {
    attributes_.nLength = sizeof attributes_;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(toWide(listText).c_str(), SDDL_REVISION_1, &descriptor,
                                                             nullptr))
        attributes_.lpSecurityDescriptor = descriptor;
}

SecurityAttributes::~SecurityAttributes() {
    if (attributes_.lpSecurityDescriptor)
        LocalFree(attributes_.lpSecurityDescriptor);
}

bool processElevated() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    BOOL known = GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size);
    return known ? elevation.TokenIsElevated != 0 : IsUserAnAdmin() != FALSE;
}

std::string processUserSid() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size > 0 ? size : 1);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return {};
    return sidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

std::string ownerOf(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return {};
    const std::string out = sidText(owner);
    LocalFree(descriptor);
    return out;
}

bool makeProtectedFolder(const std::string& path) {
    SecurityAttributes attributes(protectedListText(protectedFolderEntries()));
    if (!attributes.get()) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return false;
    }
    return CreateDirectoryW(toWide(path).c_str(), attributes.get()) != 0;
}

bool makeInstallFolder(const std::string& path) {
    const bool made = processElevated() ? makeProtectedFolder(path) : CreateDirectoryW(toWide(path).c_str(), nullptr);
    const DWORD error = GetLastError();
    if (made)
        judgedFolders()[folderKey(path)] = FolderTrust::Trusted;
    SetLastError(error);
    return made;
}

FolderFacts readFolderFacts(const std::string& path) {
    FolderFacts facts;
    facts.readable = false;
    FileHandle folder(CreateFileW(toWide(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!folder || !GetFileInformationByHandleEx(folder.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        !(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return facts;
    // Wine follows a link even when asked not to: its name and the path the
    // handle really has tell it.
    const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    facts.link = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                 (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ||
                 !handleNamesPath(folder.get(), path);
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return facts;
    facts.readable = true;
    facts.owner = sidText(owner);
    facts.hasList = list != nullptr;
    if (list)
        facts.entries = allowingEntries(list);
    facts.self = processUserSid();
    LocalFree(descriptor);
    return facts;
}

FolderTrust installFolderTrust(const std::string& path) {
    if (isDriveRoot(path) || !processElevated() || GetFileAttributesW(toWide(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        return FolderTrust::Trusted;
    auto& judged = judgedFolders();
    const std::string key = folderKey(path);
    const auto found = judged.find(key);
    if (found != judged.end())
        return found->second;
    return judged[key] = judgeFolder(readFolderFacts(path));
}

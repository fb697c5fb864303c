#include "record/JournalWin32.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/Log.h"
#include "core/PathText.h"
#include "core/WideText.h"
#include "core/win32/FolderAccessWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/NoLinkFileWin32.h"
#include "core/win32/TextWin32.h"
#include "record/RecordWin32.h"

namespace {

constexpr DWORD kAllSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string lastName(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An item named by its full path: under the target it is reached from the
// target without following a link (the walk holds the folders on its way
// while the item is used); elsewhere (the Programs folders, the journal's
// own folder) it is opened itself.
struct Reached {
    std::optional<InsideWalk> walk;
    ReachedItem item;
    std::wstring path;
};

std::string relativeTo(const std::string& path, const std::string& target) {
    if (target.empty() || !pathWithin(path, target, false))
        return {};
    return path.substr(target.size() + (target.back() == '\\' ? 0 : 1));
}

Reached reach(const std::string& path, const std::string& target, DWORD access, bool open = true) {
    Reached at;
    const std::string relative = relativeTo(path, target);
    if (relative.empty()) {
        at.path = toWide(path);
        if (open)
            at.item = openItself(path, access, kAllSharing, OPEN_EXISTING);
        else
            at.item.outcome = Reach::Reached;
        return at;
    }
    at.walk.emplace(withBackslash(target), relative);
    at.path = at.walk->path();
    if (at.walk->outcome() != Reach::Reached) {
        at.item.outcome = at.walk->outcome();
        at.item.error = at.walk->error();
    } else if (open) {
        at.item = at.walk->open(access, kAllSharing, OPEN_EXISTING);
    } else {
        at.item.outcome = Reach::Reached;
    }
    return at;
}

// A file removed through its handle, a read-only one made writable first;
// true when it is gone or was never there.
bool removeFileAt(const std::string& path, const std::string& target, std::string& why) {
    Reached at = reach(path, target, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE);
    if (at.item.outcome == Reach::NotThere)
        return true;
    if (at.item.outcome == Reach::Link) {
        why = "a link stands in its place";
        return false;
    }
    if (at.item.outcome != Reach::Reached || (at.item.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        why = systemMessage(at.item.outcome == Reach::Reached ? ERROR_DIRECTORY : at.item.error);
        return false;
    }
    if (at.item.attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = (at.item.attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(at.item.handle.get(), FileBasicInfo, &basic, sizeof basic);
    }
    if (deleteThroughHandle(at.item.handle.get()))
        return true;
    why = systemMessage(GetLastError());
    return false;
}

// The bytes of one open file into another, put on the disk.
bool copyThrough(HANDLE from, HANDLE to) {
    std::vector<char> chunk(64 * 1024);
    for (DWORD got = 0, put = 0;;) {
        if (!ReadFile(from, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return false;
        if (got == 0)
            return FlushFileBuffers(to) != 0;
        if (!WriteFile(to, chunk.data(), got, &put, nullptr) || put != got)
            return false;
    }
}

}  // namespace

// The backup renamed through its own handle to the path the walk holds; to
// another volume, copied through both handles into a new file there, which
// the walk reaches without following a link, and then deleted.
bool putBack(const std::string& backup, const std::string& path, const std::string& target, std::string& why) {
    ReachedItem saved =
        openItself(backup, DELETE | GENERIC_READ | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kAllSharing, OPEN_EXISTING);
    if (saved.outcome != Reach::Reached) {
        why = "its backup " + backup + " cannot be opened";
        return false;
    }
    const Reached to = reach(path, target, 0, false);
    if (to.item.outcome != Reach::Reached) {
        why = to.item.outcome == Reach::Link ? "a link stands on its way" : systemMessage(to.item.error);
        return false;
    }
    const std::wstring& name = to.path;
    if (renameThroughHandle(saved.handle.get(), name, false))
        return true;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) {
        why = systemMessage(GetLastError());
        return false;
    }
    const DWORD access = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    ReachedItem copy = to.walk ? to.walk->open(access, 0, CREATE_NEW) : openItself(path, access, 0, CREATE_NEW);
    if (copy.outcome == Reach::Reached && copyThrough(saved.handle.get(), copy.handle.get())) {
        deleteThroughHandle(saved.handle.get());  // one left goes with the journal's folder
        return true;
    }
    why = copy.outcome == Reach::Link ? "a link stands in its place" : systemMessage(GetLastError());
    if (copy.outcome == Reach::Reached)
        deleteThroughHandle(copy.handle.get());
    return false;
}

bool setAside(const std::string& path, const std::string& backup, const std::string& target, std::string& why,
              bool& link) {
    link = false;
    Reached at = reach(path, target, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
    if (at.item.outcome == Reach::Reached && !(at.item.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (renameThroughHandle(at.item.handle.get(), toWide(backup), false))
            return true;
    }
    // A file that cannot be moved (another volume, a program that holds it
    // without letting it be renamed) is copied, its bytes put on the disk.
    at = reach(path, target, GENERIC_READ | SYNCHRONIZE);
    if (at.item.outcome != Reach::Reached || (at.item.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        link = at.item.outcome == Reach::Link;
        why = link ? "a link stands in its place" : systemMessage(at.item.error);
        return false;
    }
    FileHandle out(CreateFileW(toWide(backup).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (out.valid() && copyThrough(at.item.handle.get(), out.get()))
        return true;
    why = systemMessage(GetLastError());
    out.reset();
    DeleteFileW(toWide(backup).c_str());
    return false;
}

namespace {

bool itemThere(const std::string& path) {
    return GetFileAttributesW(toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

HKEY entryRoot() {
    return processElevated() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring entryKeyPath(const std::string& keyName) {
    return toWide(std::string(kUninstallParentKey) + "\\" + keyName);
}

std::string hexOf(const std::vector<BYTE>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (BYTE b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

bool bytesOf(const std::string& hex, std::vector<BYTE>& bytes) {
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    if (hex.size() % 2)
        return false;
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return true;
}

bool restoreEntry(const std::string& keyName, const std::string& values) {
    RegDeleteKeyW(entryRoot(), entryKeyPath(keyName).c_str());
    RegistryKey key;
    if (RegCreateKeyExW(entryRoot(), entryKeyPath(keyName).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    std::size_t at = 0;
    while (at < values.size()) {
        std::size_t end = values.find('\n', at);
        if (end == std::string::npos)
            end = values.size();
        const std::string line = values.substr(at, end - at);
        at = end + 1;
        const std::size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        std::string name;
        std::vector<BYTE> data;
        if (tab1 == std::string::npos || tab2 == std::string::npos || !unescapeJournalText(line.substr(0, tab1), name) ||
            !bytesOf(line.substr(tab2 + 1), data)) {
            ok = false;
            continue;
        }
        const DWORD type = static_cast<DWORD>(std::strtoul(line.substr(tab1 + 1, tab2 - tab1 - 1).c_str(), nullptr, 10));
        ok = RegSetValueExW(key.get(), toWide(name).c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) ==
                 ERROR_SUCCESS && ok;
    }
    return ok;
}

void undoStep(const UndoStep& step, const std::string& target, UndoReport& report) {
    std::string why;
    bool done = true;
    std::string what;
    switch (step.kind) {
    case UndoKind::RemoveFile:
        what = "removed " + step.path;
        done = removeFileAt(step.path, target, why);
        break;
    case UndoKind::RemoveEmptyFolder:
        what = "removed the folder " + step.path;
        done = removeEmptyFolder(step.path);
        if (!done)
            why = systemMessage(GetLastError());
        break;
    case UndoKind::RestoreBackup:
        what = "put back the earlier " + step.path;
        if (!itemThere(step.backup))
            return;
        done = removeFileAt(step.path, target, why) && putBack(step.backup, step.path, target, why);
        break;
    case UndoKind::RestoreIniKey:
        what = std::string("put back win.ini [") + kRecordSection + "] " + step.path;
        done = writeDictionaryValue(step.path.c_str(), step.hadValue ? step.previous.c_str() : nullptr);
        break;
    case UndoKind::RemoveIniSection: {
        bool exists = false;
        if (!dictionaryKeys(exists).empty() || !exists)
            return;
        what = std::string("removed the win.ini section [") + kRecordSection + "]";
        done = writeDictionaryValue(nullptr, nullptr);
        break;
    }
    case UndoKind::RemoveEntry: {
        what = "removed the Apps & Features entry " + step.path;
        const LONG result = RegDeleteKeyW(entryRoot(), entryKeyPath(step.path).c_str());
        done = result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
        break;
    }
    case UndoKind::RestoreEntry:
        what = "put back the Apps & Features entry " + step.path;
        done = restoreEntry(step.path, step.previous);
        break;
    }
    if (done) {
        report.undone.push_back(what);
    } else {
        report.notUndone.push_back(step.path + (why.empty() ? std::string() : " (" + why + ")"));
    }
}

}  // namespace

void removeJournal(const std::string& folder) {
    const std::string backups = joinPath(folder, kBackupFolderName);
    {
        ScopedFind find(joinPath(backups, "*"));
        if (find.found())
            do {
                if (!find.isFolder())
                    DeleteFileW(toWide(joinPath(backups, find.name())).c_str());
            } while (find.next());
    }
    RemoveDirectoryW(toWide(backups).c_str());
    DeleteFileW(toWide(joinPath(folder, kJournalName)).c_str());
    RemoveDirectoryW(toWide(folder).c_str());
    RemoveDirectoryW(toWide(folder.substr(0, folder.find_last_of('\\'))).c_str());
}

std::string journalsRoot() {
    if (processElevated()) {
        const std::string folder = protectedRecordFolder("C:\\");
        return folder.empty() ? folder : folder.substr(0, folder.find_last_of('\\'));
    }
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &list)) || !list)
        return {};
    const TaskMemory<LPITEMIDLIST> folder(list);
    const std::wstring path = itemListPath(folder.get());
    return path.empty() ? std::string() : joinPath(longFolderName(toUtf8(path)), kProtectedRecordsFolder);
}

std::string journalFolderFor(const std::string& target) {
    if (processElevated())
        return protectedRecordFolder(target);
    const std::string root = journalsRoot();
    return root.empty() ? root : joinPath(root, uninstallKeyName(target));
}

std::string readEntryValues(const std::string& keyName, bool& hadEntry) {
    RegistryKey key;
    hadEntry = RegOpenKeyExW(entryRoot(), entryKeyPath(keyName).c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
    std::string values;
    for (DWORD index = 0; hadEntry; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size);
        nameLength = 16384;
        if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        data.resize(size);
        values += escapeJournalText(toUtf8(std::wstring(name, nameLength))) + "\t" + std::to_string(type) + "\t" +
                  hexOf(data) + "\n";
    }
    return values;
}

void undoSteps(const std::vector<UndoStep>& steps, const std::string& target, UndoReport& report) {
    for (const UndoStep& step : steps)
        undoStep(step, target, report);
}

JournalState readJournalIn(const std::string& folder, Journal& journal, std::string& detail) {
    const std::string path = joinPath(folder, kJournalName);
    FileHandle file(CreateFileW(toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return JournalState::None;
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    RecordRoots roots = recordRootsFor(std::string());
    roots.keyName = lastName(folder);
    if (parseJournal(bytes, roots, joinPath(folder, kBackupFolderName), journal, detail) != JournalFault::None)
        return JournalState::Damaged;
    journal.target = normalRecordPath(journal.target, "");
    return journal.committed ? JournalState::Committed : JournalState::Unfinished;
}

bool finishJournal(const std::string& folder, const Journal& journal, UndoReport& report) {
    if (!journal.committed)
        undoSteps(planUndo(journal), journal.target, report);
    removeJournal(folder);
    return true;
}

std::vector<std::string> journalFolders() {
    const std::string root = journalsRoot();
    std::vector<std::string> found;
    if (root.empty())
        return found;
    {
        ScopedFind find(joinPath(root, "*"));
        if (find.found())
            do {
                const std::string name = find.name();
                if (!find.isFolder() || name == "." || name == "..")
                    continue;
                const std::string folder = joinPath(root, name);
                if (itemThere(joinPath(folder, kJournalName)))
                    found.push_back(folder);
                else
                    RemoveDirectoryW(toWide(folder).c_str());  // only when empty
            } while (find.next());
    }
    RemoveDirectoryW(toWide(root).c_str());
    return found;
}

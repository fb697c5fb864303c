// The removal itself: win.ini keys put back, recorded files (Retry or Skip
// for each one that cannot go), the recorded folders that are empty,
// deepest first; then the record rewritten to list what is left. Only when
// nothing is do the Apps & Features entry, the program and the record go,
// in that order: a run killed at any moment leaves a record that names at
// least what is still there, and while the entry is there, so are the
// program it starts and that record.
//
// The target directory may be writable by every user, who may have put a
// link (junction, symbolic link, mount point) where a recorded folder or
// file was. Each recorded item is therefore opened without following a link
// at its end, its final path compared with the recorded one (a link on the
// way leads elsewhere), and deleted through that handle: a link is never
// followed, and what it leads to is never touched.
#include "uninstall/Uninstall.h"

#include "core/PathText.h"
#include "core/win32/TextWin32.h"
#include "core/Collation.h"
#include "record/RecordWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/WideText.h"
#include "core/win32/NoLinkFileWin32.h"
#include "core/Log.h"

namespace {

constexpr int kOwnFileAttempts = 40;
constexpr DWORD kOwnFileWaitMs = 50;

std::string reasonFor(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "another program is using it";
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    default:
        return "Windows error " + std::to_string(error);
    }
}

enum class Outcome { Removed, Gone, Link, Elsewhere, NotEmpty, Failed };
struct Attempt {
    Outcome outcome;
    std::string reason;  // when Failed
};

// The path the handle's item really has, in normal spelling.
std::string finalPath(HANDLE handle) {
    const std::wstring name = finalPathOf(handle);
    return name.empty() ? std::string() : normalRecordPath(pathFromFinalName(toUtf8(name)), "");
}

bool setAttributes(HANDLE handle, DWORD attributes) {
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
}

// One try at one recorded file or folder: opened itself, never through a
// link, its final path compared with the recorded one, and deleted through
// its handle. A file the installation created that is only read-only is
// made writable through that handle first (and read-only again when it
// still cannot go); one whose attributes may not be changed stays.
Attempt tryRemove(const std::string& path, bool folder) {
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    ReachedItem item = openItself(path, folder ? access : access | FILE_WRITE_ATTRIBUTES, share, OPEN_EXISTING);
    if (!folder && item.outcome == Reach::Failed && item.error == ERROR_ACCESS_DENIED)
        item = openItself(path, access, share, OPEN_EXISTING);
    if (item.outcome == Reach::NotThere)
        return {Outcome::Gone, ""};
    if (item.outcome == Reach::Link)
        return {Outcome::Link, ""};
    if (item.outcome != Reach::Reached)
        return {Outcome::Failed, reasonFor(item.error)};
    const bool isFolder = (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!folder && isFolder)
        return {Outcome::Failed, "a folder now has its name"};
    if (folder && !isFolder)
        return {Outcome::Failed, "a file now has its name"};
    const std::string actual = finalPath(item.handle.get());
    if (actual.empty() || !pathEquals(actual, path))
        return {Outcome::Elsewhere, ""};
    const bool readOnly = !folder && (item.attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly && !setAttributes(item.handle.get(), item.attributes & ~FILE_ATTRIBUTE_READONLY))
        return {Outcome::Failed, "it is read-only"};

    if (!deleteThroughHandle(item.handle.get())) {
        const DWORD error = GetLastError();
        if (readOnly)
            setAttributes(item.handle.get(), item.attributes);
        if (folder && error == ERROR_DIR_NOT_EMPTY)
            return {Outcome::NotEmpty, ""};
        return {Outcome::Failed, reasonFor(error)};
    }
    item.handle.reset();
    // A file another program holds open may only be marked for removal; a
    // folder that gained a file meanwhile stays.
    if (GetFileAttributesW(toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES || !isNotThere(GetLastError()))
        return folder ? Attempt{Outcome::NotEmpty, ""} : Attempt{Outcome::Failed, "another program is using it"};
    return {Outcome::Removed, ""};
}

// Retry as often as the user asks; a skipped file is listed, and so is a
// link, which is left as it is. True when the file is gone now; one that an
// earlier run removed counts.
bool removeRecordedFile(const std::string& path, RemovalOutcome& outcome) {
    bool askedToClose = false;
    for (;;) {
        const Attempt attempt = tryRemove(path, false);
        if (attempt.outcome == Outcome::Removed || attempt.outcome == Outcome::Gone)
            return true;
        if (attempt.outcome == Outcome::Link || attempt.outcome == Outcome::Elsewhere) {
            outcome.links.push_back(path);
            return false;
        }
        // Files in use (uninstall/InUse.cpp): asked to close, or removed at the next restart.
        if (closeHolders(path, askedToClose))
            continue;
        const RemovalProblem problem = removalProblem(path, attempt.reason);
        if (!retryRemoval(path, problem.reason, problem.held)) {
            if (!removeHeldAtRestart(path, outcome))
                outcome.skipped.push_back(path);
            return false;
        }
    }
}

enum class KeyState { Given, Restored, Changed };

// Whether the key still holds the value the installation gave it, already
// holds its earlier one (an earlier run put it back), or was changed since.
KeyState keyState(const IniKeyChange& change) {
    bool sectionExists = false, present = false;
    for (const std::string& key : dictionaryKeys(sectionExists))
        present = present || foldEquals(key.c_str(), change.key.c_str());
    present = present && sectionExists;
    const std::string value = present ? dictionaryValue(change.key.c_str()) : std::string();
    if (present == change.hadValue && (!present || value == change.previous))
        return KeyState::Restored;
    if (!change.givenKnown)
        return KeyState::Given;  // a record that names no given value: always put back
    return present && value == change.given ? KeyState::Given : KeyState::Changed;
}

// Each key that still holds the value the installation gave it gets its
// earlier value back, or goes when it had none; a key changed since keeps
// the user's value. A section the installation made goes when nothing is
// left in it. What could not be written stays in the record.
void restoreIniKeys(const InstallRecord& record, RemovalOutcome& outcome) {
    const std::string section = std::string("win.ini [") + kRecordSection + "] ";
    for (const IniKeyChange& change : record.iniKeys) {
        const KeyState state = keyState(change);
        if (state == KeyState::Changed)
            outcome.changedKeys.push_back(section + change.key);
        if (state != KeyState::Given ||
            writeDictionaryValue(change.key.c_str(), change.hadValue ? change.previous.c_str() : nullptr))
            continue;
        outcome.notRestored.push_back(section + change.key);
        outcome.remaining.iniKeys.push_back(change);
    }
    bool sectionExists = false;
    const bool empty = dictionaryKeys(sectionExists).empty();
    if (record.createdIniSection && sectionExists) {
        const bool sectionLeft = empty && !writeDictionaryValue(nullptr, nullptr);
        if (sectionLeft)
            outcome.notRestored.push_back(std::string("win.ini [") + kRecordSection + "]");
        outcome.remaining.createdIniSection = sectionLeft || !outcome.remaining.iniKeys.empty();
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, L"win.ini");
}

bool isProtectedFolder(const std::string& folder, const std::string& target) {
    return !pathEquals(folder, normalRecordPath(target, ""));
}

// What is in a kept folder that explains why it was kept: neither a kept
// folder of its own nor a file already listed.
bool isOwnFile(const std::string& folder, const std::string& ownFolder, const std::string& name) {
    return pathEquals(folder, ownFolder) && (foldEquals(name.c_str(), kUninstallerName) ||
                                           foldEquals(name.c_str(), kRecordName) ||
                                           foldEquals(name.c_str(), kWaitingRecordName));
}

// Returns whether anything but the uninstaller's own files is there.
bool listLeftEntries(const std::string& folder, const std::string& ownFolder, RemovalOutcome& outcome) {
    bool others = false;
    ScopedFind search(joinPath(folder, "*"));
    if (!search.found())
        return true;
    do {
        const std::string name = search.name();
        // A file in use that goes at the restart takes its folder with it.
        if (name == "." || name == ".." || isOwnFile(folder, ownFolder, name) ||
            pathListed(outcome.atRestart, joinPath(folder, name)))
            continue;
        others = true;
        const std::string full = joinPath(folder, name);
        if (pathListed(outcome.keptFolders, full) || pathListed(outcome.skipped, full) ||
            pathListed(outcome.links, full) || pathListed(outcome.existed, full))
            continue;
        outcome.left.push_back(full + (search.isFolder() ? "\\" : ""));
    } while (search.next());
    return others;
}

// The recorded folders, deepest first. A folder that holds only the
// uninstaller's own files (the target, after an installation without
// elevation) is not listed: it goes with them. Each one still there stays
// in the record.
void removeFolders(const InstallRecord& record, const std::string& ownFolder, RemovalOutcome& outcome) {
    for (const std::string& folder : deepestFirst(record.directories)) {
        const Attempt attempt = tryRemove(folder, true);
        if (attempt.outcome != Outcome::Removed && attempt.outcome != Outcome::Gone)
            outcome.remaining.directories.push_back(folder);
        if (attempt.outcome == Outcome::NotEmpty)
            outcome.keptFolders.push_back(folder);
        else if (attempt.outcome == Outcome::Link || attempt.outcome == Outcome::Elsewhere)
            outcome.links.push_back(folder);
        else if (attempt.outcome == Outcome::Failed)
            outcome.skipped.push_back(folder + " (" + attempt.reason + ")");
    }
    std::vector<std::string> kept;
    for (const std::string& folder : outcome.keptFolders)
        if (listLeftEntries(folder, ownFolder, outcome))
            kept.push_back(folder);
    outcome.keptFolders = kept;
}

// The uninstaller's own files and folder may still be held a moment by the
// process that has just ended.
bool deleteOwnFile(const std::string& path) {
    for (int attempt = 0; attempt < kOwnFileAttempts; ++attempt) {
        if (DeleteFileW(toWide(path).c_str()) || isNotThere(GetLastError()))
            return true;
        Sleep(kOwnFileWaitMs);
    }
    return false;
}

}  // namespace

RemovalOutcome removeInstallation(const std::string& folder, const InstallRecord& record) {
    RemovalOutcome outcome;
    InstallRecord& left = outcome.remaining;
    left.title = record.title;
    left.target = record.target;
    restoreIniKeys(record, outcome);
    for (const std::string& file : record.files)
        if (!removeRecordedFile(file, outcome))
            left.files.push_back(file);
    for (const std::string& file : record.existed)
        if (GetFileAttributesW(toWide(file).c_str()) != INVALID_FILE_ATTRIBUTES) {
            outcome.existed.push_back(file);
            left.existed.push_back(file);
        }
    removeFolders(record, folder, outcome);
    return outcome;
}

// A record that cannot be rewritten still lists everything: a second run
// finds what is gone gone, and what is put back put back.
void settleRemoval(const std::string& folder, const InstallRecord& record, RemovalOutcome& outcome) {
    if (!writeInstallRecordInside(outcome.remaining, folder.c_str()))
        logLine("could not rewrite " + joinPath(folder, kRecordName) + " to list only what is left");
    if (outcome.incomplete())
        return;
    if (!outcome.atRestart.empty()) {
        for (const char* name : {kUninstallerName, kRecordName, kWaitingRecordName})
            MoveFileExW(toWide(joinPath(folder, name)).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        if (isProtectedFolder(folder, record.target))
            MoveFileExW(toWide(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        removeAtRestartAfterFiles(record, outcome);
        return;
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        if (!deleteUninstallEntry(root, record.target))
            outcome.notRestored.push_back(std::string(root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") +
                                          uninstallKeyPath(record.target));
}

// The program goes before the record, so that neither a program without a
// record nor an entry without either is ever left.
void removeOwnFiles(const std::string& folder, const InstallRecord& record, bool programRunning,
                    RemovalOutcome& outcome) {
    const std::string exe = joinPath(folder, kUninstallerName);
    if (programRunning) {
        if (!MoveFileExW(toWide(exe).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
            outcome.skipped.push_back(exe);
    } else if (!deleteOwnFile(exe)) {
        outcome.skipped.push_back(exe);
        return;
    }
    // The record that waits for a restart to replace a held one goes first.
    for (const char* name : {kWaitingRecordName, kRecordName})
        if (!deleteOwnFile(joinPath(folder, name))) {
            outcome.skipped.push_back(joinPath(folder, name));
            return;
        }
    if (isProtectedFolder(folder, record.target)) {
        if (programRunning)
            MoveFileExW(toWide(folder).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        else if (!removeEmptyFolder(folder))
            outcome.skipped.push_back(folder);
        removeEmptyFolder(folder.substr(0, folder.find_last_of('\\')));
        return;
    }
    for (const std::string& recorded : deepestFirst(record.directories))
        if (!pathListed(outcome.keptFolders, recorded))
            removeEmptyFolder(recorded);
}

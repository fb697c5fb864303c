// The journal of this run on the disk: one file in the journal folder
// (record/JournalWin32.h), each line written and flushed before the change
// it announces, the backups of replaced files in the folder beside it.
#include "run/Journaling.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/Log.h"
#include "core/PathText.h"
#include "core/WideText.h"
#include "core/win32/FolderAccessWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "record/InstallRecord.h"
#include "record/Journal.h"
#include "record/JournalWin32.h"
#include "record/RecordWin32.h"
#include "run/EarlyEnd.h"
#include "run/ScriptSettings.h"
#include "run/faults/FaultPoint.h"

namespace {

// A file whose line is written and whose change has not begun: a file to
// create (no backup), or one to set aside as backup.
struct Announced {
    std::string path;
    std::string backup;
    int change = 0;
};

struct RunJournal {
    bool begun = false;
    std::string target;
    std::string folder;
    std::string backups;
    FileHandle file;
    std::uint32_t chain = 0;
    int changes = 0;
    int lastBegun = 0;               // the change begun last
    int writes = 0;                  // the writes put on the disk
    std::vector<std::string> named;  // the files and folders journaled so far
    std::vector<std::pair<std::string, std::string>> setAside;  // a file and its backup
    bool backupFolderNamed = false;
    int backupFolderChange = 0;      // its line written, the folder not yet made
    int backupCount = 0;
    bool batching = false;           // lines gathered, to be written at once
    std::string batch;
    std::vector<Announced> pending;  // announced in a batch, their changes not yet begun
};

RunJournal journal;
bool journalKept = false;

[[noreturn]] void journalFailed(const std::string& why) {
    const std::string text = "Can't write the journal of the installation " +
                             joinPath(journal.folder, kJournalName) + ": " + why;
    fatalError(text.c_str());
}

// The bytes written and on the disk, or the run ends.
void writeThrough(const std::string& bytes) {
    ++journal.writes;
    DWORD put = 0;
    if (!WriteFile(journal.file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) ||
        put != bytes.size() || !FlushFileBuffers(journal.file.get()))
        journalFailed(systemMessage(GetLastError()));
}

// The folder the journal lives in, made where missing: protected when
// elevated, and then one that exists must be one only administrators can
// change.
bool folderThere(const std::string& path) {
    if (processElevated()) {
        if (makeProtectedFolder(path))
            return true;
        return GetLastError() == ERROR_ALREADY_EXISTS && judgeFolder(readFolderFacts(path)) == FolderTrust::Trusted;
    }
    return CreateDirectoryW(toWide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void ensureBegun() {
    if (journalKept && !journal.begun)
        beginJournal(longFolderName(scriptSettings.targetDir));
}

// A line, on the disk when this returns, unless a batch gathers it; its
// number.
int append(const JournalEntry& entry) {
    ensureBegun();
    const std::string line = journalLine(entry, journal.chain);
    if (journal.batching)
        journal.batch += line;
    else
        writeThrough(line);
    return ++journal.changes;
}

// The change of that line is about to be made: the last one begun is made.
void beginChange(int change) {
    if (journal.lastBegun > 0)
        atJournaledChange(journal.lastBegun, true);
    atJournaledChange(change, false);
    journal.lastBegun = change;
}

std::string spelled(const std::string& path) {
    ensureBegun();
    const std::string text = spelledUnder(path, journal.target);
    if (text.empty())
        journalFailed("the name " + path + " cannot be written into it");
    return text;
}

bool named(const std::string& path) {
    return pathListed(journal.named, path);
}

// The lines for a file about to be written; nothing when a folder, a link
// or a read-only file stands in its place (the write refuses it on its
// own, and changes nothing).
std::optional<Announced> announce(const std::string& name) {
    const DWORD attributes = GetFileAttributesW(toWide(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        journal.named.push_back(name);
        return Announced{name, "", append({JournalOp::File, name, "", false, ""})};
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY))
        return std::nullopt;
    if (!journal.backupFolderNamed) {
        journal.backupFolderNamed = true;
        journal.backupFolderChange = append({JournalOp::Folder, journal.backups, "", false, ""});
    }
    const std::string backup = joinPath(journal.backups, std::to_string(++journal.backupCount));
    journal.named.push_back(name);
    return Announced{name, backup, append({JournalOp::Replace, name, backup, false, ""})};
}

// The change of an announced file begins: a file there is set aside, into
// the backup folder made first. One that cannot be set aside is no longer
// named, so that a retry announces it again.
bool makeWay(const Announced& file) {
    if (!file.backup.empty() && journal.backupFolderChange > 0) {
        beginChange(journal.backupFolderChange);
        journal.backupFolderChange = 0;
        if (!CreateDirectoryW(toWide(journal.backups).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            journalFailed(systemMessage(GetLastError()));
    }
    beginChange(file.change);
    if (file.backup.empty())
        return true;
    std::string why;
    bool link = false;
    if (setAside(file.path, file.backup, journal.target, why, link)) {
        journal.setAside.push_back({file.path, file.backup});
        return true;
    }
    journal.named.erase(std::remove_if(journal.named.begin(), journal.named.end(),
                                       [&](const std::string& n) { return pathEquals(n, file.path); }),
                        journal.named.end());
    if (link)
        return true;  // refused by the write too, as a link
    logLine("  failed: " + file.path + " cannot be set aside before it is replaced: " + why);
    return false;
}

}  // namespace

void keepJournal() {
    journalKept = true;
}

void beginJournal(const std::string& target) {
    if (!journalKept) {
        journal.target = normalRecordPath(target, "");  // the record's target all the same
        return;
    }
    if (journal.begun)
        return;
    journal = RunJournal{};
    journal.target = normalRecordPath(target, "");
    journal.folder = journalFolderFor(journal.target);
    journal.begun = true;
    if (journal.folder.empty() || journal.target.empty())
        journalFailed("the system names no folder for it");
    journal.backups = joinPath(journal.folder, kBackupFolderName);
    if (!folderThere(journal.folder.substr(0, journal.folder.find_last_of('\\'))) || !folderThere(journal.folder))
        journalFailed(systemMessage(GetLastError()));
    journal.file.reset(CreateFileW(toWide(joinPath(journal.folder, kJournalName)).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!journal.file)
        journalFailed(systemMessage(GetLastError()));
    writeThrough(journalHeader(scriptSettings.title, journal.target, journal.chain));
    logLine("journal " + joinPath(journal.folder, kJournalName));
}

const std::string& journalTarget() {
    return journal.target;
}

bool journalBegun() {
    return journal.begun;
}

void journalFolder(const std::string& path) {
    if (!journalKept)
        return;
    const std::string name = spelled(path);
    if (named(name))
        return;
    beginChange(append({JournalOp::Folder, name, "", false, ""}));
    journal.named.push_back(name);
}

bool journalFile(const std::string& path) {
    if (!journalKept)
        return true;
    const std::string name = spelled(path);
    for (auto at = journal.pending.begin(); at != journal.pending.end(); ++at)
        if (pathEquals(at->path, name)) {
            const Announced file = *at;
            journal.pending.erase(at);
            return makeWay(file);
        }
    if (named(name))
        return true;
    const std::optional<Announced> file = announce(name);
    return !file || makeWay(*file);
}

void announceFiles(const std::vector<std::string>& paths) {
    if (!journalKept)
        return;
    ensureBegun();
    journal.batching = true;
    for (const std::string& path : paths) {
        const std::string name = spelled(path);
        if (named(name))
            continue;
        if (const std::optional<Announced> file = announce(name))
            journal.pending.push_back(*file);
    }
    journal.batching = false;
    if (!journal.batch.empty())
        writeThrough(journal.batch);
    journal.batch.clear();
}

void restoreEarlierFile(const std::string& path) {
    if (!journal.begun)
        return;
    const std::string name = spelledUnder(path, journal.target);
    for (const auto& [file, backup] : journal.setAside) {
        std::string why;
        if (!pathEquals(file, name) || GetFileAttributesW(toWide(name).c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (putBack(backup, name, journal.target, why))
            logLine("  put back the earlier " + name);
        else
            logLine("  failed: the earlier " + name + " cannot be put back: " + why);
    }
}

void journalIniKey(const std::string& key, bool hadValue, const std::string& previous) {
    if (!journalKept)
        return;
    beginChange(append({JournalOp::IniKey, key, "", hadValue, previous}));
}

void journalIniSection() {
    if (!journalKept)
        return;
    beginChange(append({JournalOp::IniSection, "", "", false, ""}));
}

void journalEntry(const std::string& keyName, bool hadEntry, const std::string& values) {
    if (!journalKept)
        return;
    beginChange(append({JournalOp::Entry, keyName, "", hadEntry, values}));
}

bool commitJournal() {
    if (!journal.begun)
        return true;
    if (journal.lastBegun > 0)
        atJournaledChange(journal.lastBegun, true);
    const std::string line = journalLine({JournalOp::Commit, "", "", false, ""}, journal.chain);
    DWORD put = 0;
    const bool written = WriteFile(journal.file.get(), line.data(), static_cast<DWORD>(line.size()), &put, nullptr) &&
                         put == line.size() && FlushFileBuffers(journal.file.get());
    if (!written) {
        logLine("failed: the journal's commit: " + systemMessage(GetLastError()));
        return false;
    }
    journal.file.reset();
    journal.begun = false;
    logLine("journal: " + std::to_string(journal.changes) + " changes, committed (" +
            std::to_string(journal.writes + 1) + " writes put on the disk)");
    removeJournal(journal.folder);
    return true;
}

void rollBackJournal(std::vector<std::string>& notUndone) {
    if (!journal.begun)
        return;
    journal.file.reset();
    journal.begun = false;
    // The target is the current directory once the copies are done: it
    // could not be removed while it is.
    SetCurrentDirectoryW(toWide(tempFolder()).c_str());
    Journal read;
    std::string detail;
    if (readJournalIn(journal.folder, read, detail) != JournalState::Unfinished) {
        notUndone.push_back("the journal " + joinPath(journal.folder, kJournalName) + " (" + detail + ")");
        return;
    }
    UndoReport report;
    finishJournal(journal.folder, read, report);
    for (const std::string& undone : report.undone)
        logLine("undone: " + undone);
    for (const std::string& left : report.notUndone)
        logLine("not undone: " + left);
    logLine("journal: " + std::to_string(journal.changes) + " changes, rolled back");
    notUndone.insert(notUndone.end(), report.notUndone.begin(), report.notUndone.end());
}

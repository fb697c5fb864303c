// The journal of one installation run: before each change the installer
// makes, a line that says what it is about to do and how to undo it is
// appended to install.journal and put on the disk. A run that reaches its
// end appends "commit"; a run that fails undoes its lines in reverse order;
// a journal without "commit" found at the next start is a run that was
// killed, and is undone then.
//
// Each line carries a checksum chained over every line before it, so that
// a line is only taken when it and all before it are whole. A power cut
// can leave lines after the last one that reached the disk torn or zeroed;
// their changes were never begun (a change waits for its line), so the
// reader takes the whole lines before them and ignores the rest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record/InstallRecord.h"

constexpr const char* kJournalName = "install.journal";
// The folder, beside the journal, that holds the earlier bytes of the
// files a run overwrites, moved there by rename.
constexpr const char* kBackupFolderName = "backup";

enum class JournalOp {
    Folder,    // a folder about to be made: path
    File,      // a file about to be created where none was: path
    Replace,   // a file about to be moved to backup and written anew: path, backup
    IniKey,    // a [Dictionary] key about to be written: key, hadValue, previous
    IniSection,// the [Dictionary] section about to be created
    Entry,     // the Apps & Features entry about to be written: key; hadValue with the earlier values in previous
    Commit,    // the run reached its end
};

struct JournalEntry {
    JournalOp op = JournalOp::Commit;
    std::string path;      // Folder, File, Replace; the key's name for IniKey and Entry
    std::string backup;    // Replace
    bool hadValue = false; // IniKey, Entry
    std::string previous;  // IniKey: the earlier value; Entry: the earlier values, as the Win32 side wrote them
};

struct Journal {
    std::string title;
    std::string target;
    std::vector<JournalEntry> entries;
    bool committed = false;
    bool tornTail = false;  // bytes after the last whole line were ignored
};

// The journal's first lines (the version, the run's title and target),
// each with its line end.
std::string journalHeader(const std::string& title, const std::string& target, std::uint32_t& chain);

// One entry as a line of the journal, with its line end; chain is the
// checksum of every line before it and is advanced past this one.
std::string journalLine(const JournalEntry& entry, std::uint32_t& chain);

enum class JournalFault {
    None,
    Unreadable,  // the file could not be read
    Damaged,     // no journal header, a whole line that does not belong, or one outside the roots
};

// Reads a journal from its bytes. Every path must lie where roots allow
// (as the record's entries must) or in the journal's own folder, the one
// that holds backupFolder; every backup must lie inside backupFolder.
JournalFault parseJournal(const std::string& bytes, const RecordRoots& roots, const std::string& backupFolder,
                          Journal& out, std::string& detail);

// What undoing a journal's changes takes, one step each, latest first.
enum class UndoKind {
    RemoveFile,         // path, when it is there
    RemoveEmptyFolder,  // path, when it is there and empty
    RestoreBackup,      // backup moved back over path (path removed first), when backup is there
    RestoreIniKey,      // key path back to previous, or removed when !hadValue
    RemoveIniSection,   // [Dictionary], when it is empty
    RemoveEntry,        // the Apps & Features key path
    RestoreEntry,       // the key path back to its earlier values (previous)
};

struct UndoStep {
    UndoKind kind = UndoKind::RemoveFile;
    std::string path;
    std::string backup;
    bool hadValue = false;
    std::string previous;
};

// The steps that take a run back, in reverse order of its changes; none for
// a committed journal.
std::vector<UndoStep> planUndo(const Journal& journal);

// The backups a committed run leaves, to be deleted.
std::vector<std::string> journalBackups(const Journal& journal);

// Text in a journal line: tab, line feed, carriage return and backslash
// escaped, so that any value fits between the tabs of one line.
std::string escapeJournalText(const std::string& text);
bool unescapeJournalText(const std::string& text, std::string& out);

// The install record uninstall.dat: what an installation created or changed
// (directories it made, files it wrote, win.ini keys it set with the values
// they had before), kept as text a person can read in the target directory
// and read back by uninstall.exe to take the installation back. It is
// written in UTF-8 ("record 2"); a first-version record ("record 1") is read
// in the system's ANSI code page.
//
// A record is refused whole, before anything is removed, when it is
// missing, damaged, cut short, written for another folder, or names
// anything outside the target directory, the Start menu's Programs folders
// or the [Dictionary] section of win.ini.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kRecordName = "uninstall.dat";
constexpr const char* kRecordScratchName = "uninstall.tmp";
// A record that another program held when the installer rewrote it: the
// new one waits under this name for the next restart to replace it.
constexpr const char* kWaitingRecordName = "uninstall.dat.new~";
constexpr const char* kUninstallerName = "uninstall.exe";
constexpr const char* kRecordSection = "Dictionary";

// The folder, under Program Files, that holds the uninstaller and the
// record of every installation made with an administrator's rights, each in
// a folder named as its Apps & Features key.
constexpr const char* kProtectedRecordsFolder = "Dictionary Uninstall";

// One win.ini key of the [Dictionary] section that an installation wrote,
// what it held before the first installation that wrote it, and the value
// the installation left in it (unknown in records of the first version).
struct IniKeyChange {
    std::string key;
    bool hadValue = false;
    std::string previous;  // when hadValue
    bool givenKnown = false;
    std::string given;     // when givenKnown
};

struct InstallRecord {
    std::string title;                     // the setup script's title
    std::string target;                    // the target directory; a drive root keeps its backslash
    std::vector<std::string> directories;  // made by an installation, full paths
    std::vector<std::string> files;        // created by an installation, full paths
    std::vector<std::string> existed;      // there before the first installation, replaced by one (kept)
    std::vector<IniKeyChange> iniKeys;
    bool createdIniSection = false;        // [Dictionary] did not exist before
};

// Where the entries of a record may point: into the target directory (or
// at it, for a directory), or into one of the Start menu's Programs folders.
// Into a drive root, nothing inside the system's own folders counts as the
// installation's. A reader given no target takes the record's own when it
// hashes to keyName: the folder name of a protected record.
struct RecordRoots {
    std::string target;
    std::vector<std::string> startMenu;
    std::vector<std::string> systemFolders;
    std::string keyName;
};

// The system's folders that are never a target directory themselves.
struct SystemFolders {
    std::string windows;
    std::vector<std::string> programFiles;
    std::string profiles;                   // the folder that holds the users' profiles
    std::vector<std::string> userProfiles;  // this user's profile, the public one
    std::vector<std::string> programs;      // the Start menu's Programs folders
};

enum class RecordFault {
    None,
    Missing,        // no record file
    Unreadable,     // the file could not be read
    Truncated,      // it ends before its end line
    Damaged,        // a line that does not belong, or the end line disagrees
    ForeignTarget,  // written for another target directory
    Planted,        // an entry outside the target, the Programs folders or [Dictionary]
};

// Reads the record at path; fills out and returns None only when every
// line is whole, counted and checked and every entry lies where roots
// allow. Otherwise out is left empty and detail names the line at fault.
RecordFault readInstallRecord(const char* path, const RecordRoots& roots, InstallRecord& out,
                              std::string& detail);

// The sentence the uninstaller shows for a refused record.
std::string recordFaultMessage(RecordFault fault, const std::string& detail);

// Writes the record to scratchPath, closes it checked and replaces path by
// it in one move: path then holds the whole new record, or, on false, what
// it held before (the scratch file is removed).
bool writeInstallRecord(const InstallRecord& record, const char* path, const char* scratchPath);
// The same for kRecordName in folder, through kRecordScratchName beside it,
// neither reached through a link.
bool writeInstallRecordInside(const InstallRecord& record, const char* folder);
// The record of the installation in folder as it now stands: the one that
// waits for the next restart, when there is one, else kRecordName.
std::string currentRecordIn(const std::string& folder);

// What two installations into one target did together: every directory
// and file once, each key with its value from before the earlier run, the
// later run's title.
InstallRecord mergeInstallRecords(const InstallRecord& earlier, const InstallRecord& later);

// A record's (or a journal's) target as the roots expect it: the folder it
// was found for, or, for a protected record, a folder whose key is its
// folder's.
bool recordTargetExpected(const std::string& target, const RecordRoots& roots);

// Whether an entry of the record lies where the roots allow: the rule by
// which a record is read and a new one is kept readable.
bool insideInstallation(const std::string& path, bool directory, const RecordRoots& roots);

// Drops the entries that a reader with these roots would refuse (a
// directory the script made outside the target, say), so that the record
// written stays readable.
void keepWithinRoots(InstallRecord& record, const RecordRoots& roots);

// --- paths ---
// An absolute path in one spelling: "/" read as "\", empty and "."
// components dropped, ".." taken back, trailing dots and spaces cut from
// each component (as Windows does), no trailing backslash. A relative
// path is taken under base. Empty when ".." would climb above the root.
std::string normalRecordPath(const std::string& path, const std::string& base);

// Whether path lies under root (its names compared by pathEquals, as the
// file system compares them), or is root itself when that is allowed. path must be in normal form;
// names with wildcards, colons or device-like endings never lie anywhere.
bool pathWithin(const std::string& path, const std::string& root, bool rootItself);

// "C:\\" and the like.
bool isDriveRoot(const std::string& path);

// A path from a handle's final name: "\\\\?\\C:\\x" is "C:\\x",
// "\\\\?\\UNC\\s\\h" is "\\\\s\\h".
std::string pathFromFinalName(const std::string& finalName);

// What the target directory is when it is one of the system's own folders
// ("the Windows folder", ...); empty for a folder an installation may use.
std::string refusedTargetReason(const std::string& target, const SystemFolders& system);

// The directories deepest first, so that each is empty of its recorded
// subdirectories when its turn comes.
std::vector<std::string> deepestFirst(std::vector<std::string> directories);

// The name of the target's key under the system's Uninstall key: the same
// for every spelling of one directory (case, trailing backslash).
std::string uninstallKeyName(const std::string& target);

// --- the installer's notes of this run ---
// What this run created and changed, for the install record; the target
// directory counts when the Start check had to create it.
struct InstallNotes {
    InstallRecord record;
    bool targetCreated = false;
};
extern InstallNotes installNotes;

// A path as the record and the journal spell it: in normal form, a
// relative one taken under the target directory as typed, and one under
// the target as typed spelled under target (its long spelling). Empty when
// it cannot be spelled.
std::string spelledUnder(const std::string& path, const std::string& target);

// A relative path is taken under the target directory; a path under the
// target as typed is spelled under the record's target.
void noteCreatedDirectory(const char* path);
// A file the installation wrote; existedBefore when a file of that name was
// there before this run wrote it (it is then kept at uninstall, unless an
// earlier write of this run created it).
void noteWrittenFile(const char* path, bool existedBefore);
// A file the installation wrote and removed again (the language list).
void noteRemovedFile(const char* path);
// A [Dictionary] key written: the value it had before this run first wrote
// it (later writes keep the first note) and the value it holds now.
void noteIniKey(const char* key, bool hadValue, const char* previous, const char* given);
void noteIniSectionCreated();

// The install record uninstall.dat: what an installation created or changed
// (directories it made, files it wrote, win.ini keys it set with the values
// they had before), kept as text a person can read in the target directory
// and read back by uninstall.exe to take the installation back.
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
constexpr const char* kUninstallerName = "uninstall.exe";
constexpr const char* kRecordSection = "Dictionary";

// One win.ini key of the [Dictionary] section that an installation wrote,
// and what it held before the first installation that wrote it.
struct IniKeyChange {
    std::string key;
    bool hadValue = false;
    std::string previous;  // when hadValue
};

struct InstallRecord {
    std::string title;                     // the setup script's title
    std::string target;                    // the target directory, no trailing backslash
    std::vector<std::string> directories;  // made by an installation, full paths
    std::vector<std::string> files;        // written by an installation, full paths
    std::vector<IniKeyChange> iniKeys;
    bool createdIniSection = false;        // [Dictionary] did not exist before
};

// Where the entries of a record may point: into the target directory (or
// at it, for a directory), or into one of the Start menu's Programs folders.
struct RecordRoots {
    std::string target;
    std::vector<std::string> startMenu;
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

// What two installations into one target did together: every directory
// and file once, each key with its value from before the earlier run, the
// later run's title.
InstallRecord mergeInstallRecords(const InstallRecord& earlier, const InstallRecord& later);

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

// Whether path lies under root (letters A to Z compared without case),
// or is root itself when that is allowed. path must be in normal form;
// names with wildcards, colons or device-like endings never lie anywhere.
bool pathWithin(const std::string& path, const std::string& root, bool rootItself);

// The directories deepest first, so that each is empty of its recorded
// subdirectories when its turn comes.
std::vector<std::string> deepestFirst(std::vector<std::string> directories);

// The name of the target's key under the system's Uninstall key: the same
// for every spelling of one directory (case, trailing backslash).
std::string uninstallKeyName(const std::string& target);

// --- the installer's notes, kept in installState.record ---
// A relative path is taken under the target directory; a path under the
// target as typed is spelled under the record's target.
void noteCreatedDirectory(const char* path);
void noteWrittenFile(const char* path);
// A file the installation wrote and removed again (the language list).
void noteRemovedFile(const char* path);
// The value a [Dictionary] key had before this run first wrote it; later
// writes of the same key in the run keep the first note.
void noteIniKey(const char* key, bool hadValue, const char* previous);
void noteIniSectionCreated();

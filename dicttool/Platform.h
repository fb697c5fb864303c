// The tool's platform: the file system as the tool needs it (folders
// listed, kinds of files told, a scratch folder made and removed, a file
// linked or copied, the current directory changed) and its terminal.
// Defined with the Win32 interface for Windows (dicttool/PlatformWin32.cpp)
// and with POSIX calls elsewhere (dicttool/PlatformPosix.cpp).
//
// Paths here are native: what the command line gave and the system takes.
// Names from install.inf and language.cf are UTF-8, as the installer decodes
// them; nativeName and textName convert between the two.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class PathKind { Missing, File, Folder };

struct FolderEntry {
    std::string name;  // native, without a folder part
    bool isFolder = false;  // a link to a folder counts as a folder
    bool isLink = false;    // a symbolic link, junction or other reparse point
};

PathKind pathKind(const std::string& path);

// Every entry of the folder but "." and "..", hidden and system ones too;
// false when it cannot be listed.
bool listFolder(const std::string& path, std::vector<FolderEntry>& entries);

// folder + the separator + name; name may hold backslashes.
std::string joinNativePath(const std::string& folder, const std::string& name);

// The path made absolute against the current directory.
std::string absolutePath(const std::string& path);

// The path absolute, its "." and ".." parts resolved as the system resolves
// them (through the links of the folders that exist, on POSIX); a last part
// that does not exist yet is kept as given.
std::string resolvedPath(const std::string& path);

// The folder part of a path ("." when there is none).
std::string parentFolder(const std::string& path);

// A file's read-only, hidden and system attributes (their Windows values;
// read-only where no one may write it, elsewhere) and its last write, in
// 100 ns since 1601 (UTC); false when they cannot be read.
bool fileDetails(const std::string& path, std::uint32_t& attributes, std::int64_t& modified);

// Runs a program (found on the PATH when the name has no folder) with
// arguments and waits for it; its exit status, -1 when it could not run.
int runProgram(const std::vector<std::string>& arguments);

bool makeFolder(const std::string& path);
bool removeFolder(const std::string& path);  // an empty one

// A hard link to from at to, or else a copy of it.
bool linkOrCopyFile(const std::string& from, const std::string& to);

std::string currentFolder();
bool changeFolder(const std::string& path);

// A name in UTF-8 as the system spells it, and back (a byte that begins no
// character becomes U+FFFD).
std::string nativeName(const std::string& text);

// The program's arguments, its name first, as native paths (on Windows read
// wide from the command line, so that no name passes through the ANSI code
// page).
std::vector<std::string> commandArguments(int argc, char** argv);
std::string textName(const std::string& native);

// What the last failed system call said, for messages.
std::string systemError();

bool isTerminal(std::FILE* stream);

// Makes a console show UTF-8 output as text; returns what restoreConsole
// needs to put it back.
unsigned useUtf8Console();
void restoreConsole(unsigned saved);

int processId();

// The word-list builder's progress display becomes one line on standard
// error, redrawn in place (nothing when it is not a terminal); the tool's
// entry (dicttool/ToolSeams.cpp).
void showProgressOnTerminal();

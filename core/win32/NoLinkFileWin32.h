// Files and folders reached without following a link. A folder that other
// users can change may hold a link (junction, symbolic link, mount point)
// where a folder or file of the installation should be: what the programs
// create, overwrite, read back or delete there is opened with the link's
// own handle (FILE_FLAG_OPEN_REPARSE_POINT), judged through that handle (its
// reparse attribute, its final path) and deleted through it, so that a link
// is never followed and what it leads to is never touched.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/win32/HandlesWin32.h"

#ifndef ERROR_STOPPED_ON_SYMLINK
#define ERROR_STOPPED_ON_SYMLINK 681L
#endif

// What an attempt to reach an item found.
enum class Reach {
    Reached,   // the item itself, in its place
    NotThere,  // no item of that name (or no folder on the way)
    Link,      // a link at the item or on the way, or an item whose final path is elsewhere
    Outside,   // a name that leaves the root
    Failed,    // any other failure: error says which
};

struct ReachedItem {
    FileHandle handle;
    Reach outcome = Reach::Failed;
    DWORD error = 0;      // the system's error when Failed or NotThere; ERROR_STOPPED_ON_SYMLINK for a link
    DWORD attributes = 0; // the item's attributes, read through the handle, when Reached
};

// The path the handle's item really has, as the system gives it (\\?\C:\...);
// empty when the system cannot say.
std::wstring finalPathOf(HANDLE handle);

// The attributes through the handle, FILE_ATTRIBUTE_REPARSE_POINT among
// them; INVALID_FILE_ATTRIBUTES when they cannot be read.
DWORD attributesOf(HANDLE handle);

// Opens the item of path itself: a link at its end is opened as the link
// and reported as Link, a folder opens too. Nothing on the way is judged.
ReachedItem openItself(const std::string& path, DWORD access, DWORD share, DWORD disposition);

// Deletes the item the handle (opened with DELETE) holds; false, the
// system's error in GetLastError, when the system refuses (a folder that is
// not empty, a read-only file).
bool deleteThroughHandle(HANDLE handle);

// The item the handle (opened with DELETE) holds, renamed to name, a full
// path on the same volume; an item there is replaced only when replace is
// true. False, the system's error in GetLastError, when it could not be.
bool renameThroughHandle(HANDLE handle, const std::wstring& name, bool replace);

// An empty folder removed through its own handle; true when it is gone or
// was never there. A link in its place is left as it is (false).
bool removeEmptyFolder(const std::string& path);

// The way from a root folder to a name under it. The root is opened as it
// is named (whether the root itself may be a link is decided before the
// installation starts); then every folder of the relative name but its last
// part is opened without following a link, and must lie directly in the
// folder before it. They stay open, and so cannot be renamed or removed,
// while the walk lives: the path to the last part names what was judged.
class InsideWalk {
public:
    // "\" and "/" both separate; "." and empty parts are dropped and ".."
    // goes one folder back; a name that climbs out of the root, or is
    // absolute, is Outside. An empty root is the current directory.
    InsideWalk(const std::string& root, const std::string& relative);

    // Reached when every folder on the way is in its place.
    Reach outcome() const { return outcome_; }
    DWORD error() const { return error_; }
    // The full path of the last part.
    const std::wstring& path() const { return path_; }

    // Opens the last part itself (a file, or a folder when disposition is
    // OPEN_EXISTING and access allows it): Link when it is a link, or when
    // its final path does not lie directly in the last folder of the way.
    ReachedItem open(DWORD access, DWORD share, DWORD disposition) const;

private:
    Reach outcome_ = Reach::Failed;
    DWORD error_ = 0;
    std::wstring path_;
    std::wstring lastFolder_;  // the final path of the folder that holds the last part
    std::vector<FileHandle> folders_;
};

// A failed reach as the system's error a box or a log line can name.
DWORD reachError(Reach outcome, DWORD error);

// Windows paths as text: the one way a folder and a name are joined, and
// the one way two paths are compared.
#pragma once

#include <string>
#include <vector>

// The folder with a backslash at its end, unless it has one ("" gives "\").
std::string withBackslash(const std::string& folder);

// folder + "\" + name; a folder that ends in a backslash (a drive root
// "C:\") gets none more.
std::string joinPath(const std::string& folder, const std::string& name);

// The name as Windows takes it from the folder base, so that no name is
// taken from the current directory: an absolute name (a drive and a
// separator, or a UNC name) as it is, one that starts with a separator on
// base's drive, any other joined to base. A drive-relative name ("d:x") is
// left as it is.
std::string resolvedAgainst(const std::string& base, const std::string& name);

// --- path comparison seam ---
// Whether two paths (or names) in UTF-8 name the same to the file system:
// the system's ordinal comparison with case ignored (CompareStringOrdinal
// for Windows), never a folding of bytes. The hosts compare foldedName.
bool pathEquals(const std::string& a, const std::string& b);

// Whether the list holds the path, compared by pathEquals.
bool pathListed(const std::vector<std::string>& list, const std::string& path);

// The letters of the Latin (to U+017F), Greek and Cyrillic alphabets in upper
// case, as the system upper-cases names to compare them: how the hosts, and
// the publishers' tool everywhere, compare names without case. Bytes that
// are not UTF-8 stay as they are.
std::string foldedName(const std::string& utf8);

// --- names that must stay inside a folder ---

// Why a relative name, resolved under a folder as Windows resolves it,
// would name something outside that folder, or no file of it.
enum class NameLeaves {
    No,
    ClimbsOut,  // a ".." above the folder (or a part of only dots and blanks)
    Drive,      // a drive letter: "C:x", "C:\x"
    Absolute,   // begins with "\" or "/": the drive's root, a UNC or device path
    Stream,     // a ":" after the first name: an alternate data stream
    Device,     // a part that names a device: CON, NUL, COM1, LPT1 ..., with any extension
};

// Whether one name (no separators) opens a device in any folder, whatever
// follows it after a dot or blanks: CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM0 to COM9 and LPT0 to LPT9 (and COM or LPT with a superscript 1, 2, 3).
bool isDeviceName(const std::string& part);

// Where the name leads, judged on the name alone: "\" and "/" alike, empty
// and "." parts dropped, ".." one level up, trailing dots and blanks of a
// part ignored as Windows ignores them. The empty name is the folder itself.
NameLeaves nameLeaves(const std::string& name);

// A few words for the reason, to follow a name: "climbs out with \"..\"", ...;
// "" for No.
const char* nameLeavesText(NameLeaves reason);

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

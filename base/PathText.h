// Windows paths as text: the one way a folder and a name are joined.
#pragma once

#include <string>

// The folder with a backslash at its end, unless it has one ("" gives "\").
std::string withBackslash(const std::string& folder);

// folder + "\" + name; a folder that ends in a backslash (a drive root
// "C:\") gets none more.
std::string joinPath(const std::string& folder, const std::string& name);

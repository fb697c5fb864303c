// Folders of the temporary folder that a program running with an
// administrator's rights makes for itself: new, with a name of its own and
// an access list that lets no other user put a file into them.
#pragma once

#include <string>

// A folder "<prefix>-<16 hexadecimal digits from the system's random
// generator>" of the temporary folder that did not exist before, made with
// the access list SYSTEM, Administrators and its owner full control, no one
// else; empty when none could be made.
std::string makeFreshTempFolder(const char* prefix);

// Removes the folder and everything in it, not following a link inside it;
// false when something stays.
bool removeFolderTree(const std::string& folder);

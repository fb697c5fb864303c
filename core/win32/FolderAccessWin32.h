// The Windows side of the folder rules of an elevated run: the access list
// of the folders it makes, and the check of a folder it did not make before
// it writes into it.
#pragma once

#include <windows.h>

#include <string>

#include "core/FolderTrust.h"

// Security attributes made from an access list's text, freed when the
// holder goes; get() is null when the text could not be read.
class SecurityAttributes {
public:
    explicit SecurityAttributes(const std::string& listText);
    ~SecurityAttributes();
    SecurityAttributes(const SecurityAttributes&) = delete;
    SecurityAttributes& operator=(const SecurityAttributes&) = delete;
    SECURITY_ATTRIBUTES* get() { return attributes_.lpSecurityDescriptor ? &attributes_ : nullptr; }

private:
    SECURITY_ATTRIBUTES attributes_{};
};

// Whether this process has an administrator's full rights (before Vista:
// whether its user is an administrator).
bool processElevated();

// The string SID of the account this process runs as; empty when unknown.
std::string processUserSid();

// The string SID of the handle's owner; empty when it cannot be read.
std::string ownerOf(HANDLE handle);

// Whether the file or folder the handle holds really has that (full) path,
// compared in the long spelling: false when a link on the way led elsewhere.
bool handleNamesPath(HANDLE handle, const std::string& path);

// One folder made with the protected list; GetLastError says why not.
bool makeProtectedFolder(const std::string& path);

// One folder of an installation: made protected when elevated, plainly
// (inheriting its parent's list) when not. A folder made so counts as
// trusted for the rest of the run.
bool makeInstallFolder(const std::string& path);

// What the system says of an existing folder, read without following it.
FolderFacts readFolderFacts(const std::string& path);

// Whether the installer may write into an existing folder: always when
// not elevated, for a drive root, for a folder it made, and for one not
// there (nothing can be written into it); else the judgement of its facts,
// read once a run.
FolderTrust installFolderTrust(const std::string& path);

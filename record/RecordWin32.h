// The Windows side of the install record, shared by the installer and the
// uninstaller: where entries may point, the long spelling of a folder, the
// Apps & Features entry's key and the win.ini section's keys.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/PathText.h"
#include "record/InstallRecord.h"
#include "core/PathText.h"

// The parent key of every Apps & Features entry, under HKCU or HKLM.
constexpr const char* kUninstallParentKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The system's folders that are never a target directory themselves.
SystemFolders systemFolders();

// The target, the user's and all users' Programs folders, and the system's
// folders that an installation into a drive root never owns. With no
// target (a protected record's reader), every profile's Programs folder.
RecordRoots recordRootsFor(const std::string& target);

// Where an elevated installation keeps its record and uninstaller:
// <Program Files>\<kProtectedRecordsFolder>\<the target's key name>. Empty
// when the system names no Program Files folder.
std::string protectedRecordFolder(const std::string& target);

// The folder's long, normal spelling; the normal spelling of what was given
// when the system cannot say.
std::string longFolderName(const std::string& folder);


// The target's entry under kUninstallParentKey.
std::string uninstallKeyPath(const std::string& target);

// Deletes the target's entry under root when it names this target (a key
// of the same name for another folder is not ours); false when it is there
// and could not be deleted.
bool deleteUninstallEntry(HKEY root, const std::string& target);

// The DisplayVersion of the target's entry (under HKLM or HKCU, the one
// whose InstallLocation names this target); empty when there is none or it
// shows no version. hive says which ("HKLM" or "HKCU") when one was found.
std::string installedVersion(const std::string& target, std::string& hive);

// The value of a [Dictionary] key of win.ini, whole whatever its length.
std::string dictionaryValue(const char* key);

// Writes (or, value null, deletes) a [Dictionary] key of win.ini; key null
// deletes the section. False when win.ini could not be written.
bool writeDictionaryValue(const char* key, const char* value);

// The keys of the win.ini section [Dictionary] as they are now; false in
// sectionExists when the section is absent.
std::vector<std::string> dictionaryKeys(bool& sectionExists);

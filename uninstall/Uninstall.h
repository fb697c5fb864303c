// The uninstaller uninstall.exe: started from the target directory, it
// reads the install record beside it, asks once, continues from a copy of
// itself in the temporary folder (so that it can remove its own folder),
// removes what the record lists, restores win.ini, removes its Apps &
// Features entry and itself, and says what it left.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/InstallRecord.h"

// Exit codes: everything done; the record refused; something skipped.
constexpr int kExitDone = 0;
constexpr int kExitRefused = 1;
constexpr int kExitIncomplete = 2;

// What the removal could not do, for the closing box.
struct RemovalOutcome {
    std::vector<std::string> skipped;      // recorded files that could not be removed
    std::vector<std::string> left;         // what others put into recorded folders
    std::vector<std::string> keptFolders;  // recorded folders that remain
};

// --- boxes (uninstall/Boxes.cpp), captioned "Uninstall" ---
bool confirmUninstall(const std::string& title, const std::string& target);
// Retry (true) or Skip (false) for a file that cannot be removed.
bool retryRemoval(const std::string& path, const std::string& reason);
void showRefusal(const std::string& message);
void showClosing(const std::string& title, const std::string& target, const RemovalOutcome& outcome);

// --- removal (uninstall/Removal.cpp) ---
// Everything the record lists, then the uninstaller's own files in target
// (uninstall.exe unless ownExeRemains, and the record), then the folders.
RemovalOutcome removeInstallation(const std::string& target, const InstallRecord& record, bool ownExeRemains);

// --- the copy in the temporary folder (uninstall/TempCopy.cpp) ---
// This program's own file; empty when its path cannot be read whole.
std::string ownPath();
// Starts a copy of this program in the temporary folder that waits for
// this process to end and then does the removal; false when it could not.
bool continueFromTempCopy(const std::string& target);
// In the copy: waits for the process that started it (its handle given on
// the command line as text).
void waitForStarter(const char* handleText);
// Marks this program's file for deletion at the next restart, as far as
// the system lets it.
void removeSelfAtRestart();

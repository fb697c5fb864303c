// The uninstaller uninstall.exe: started from the folder that holds it and
// its record (a protected folder under Program Files after an elevated
// installation, else the target directory), it reads the install record,
// asks once, continues from a copy of itself in a fresh temporary folder
// (so that it can remove its own folder), restores win.ini, removes what
// the record lists, and says what it left. Only when nothing is left do its
// Apps & Features entry, itself and the record go; otherwise the record is
// rewritten to list what is, for a later run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "record/InstallRecord.h"

// Exit codes: everything done; the record refused; something not done.
constexpr int kExitDone = 0;
constexpr int kExitRefused = 1;
constexpr int kExitIncomplete = 2;
constexpr int kExitRestartNeeded = 3010;  // all done, but files in use go at the next restart

// What the removal did not do, for the closing box. The first three lists
// are what it could not do (exit code 2); the others what it left on
// purpose.
struct RemovalOutcome {
    std::vector<std::string> skipped;      // recorded files and folders that could not be removed
    std::vector<std::string> notRestored;  // win.ini keys and registry entries not put back
    std::vector<std::string> links;        // recorded items now a link or leading elsewhere: never followed
    std::vector<std::string> existed;      // files that were there before the installation
    std::vector<std::string> changedKeys;  // win.ini keys changed since the installation
    std::vector<std::string> left;         // what others put into recorded folders
    std::vector<std::string> keptFolders;  // recorded folders that still hold files
    std::vector<std::string> atRestart;    // files in use, removed at the next restart
    InstallRecord remaining;               // what is still there of what the record listed

    bool incomplete() const { return !skipped.empty() || !notRestored.empty() || !links.empty(); }
};

// 2 when something could not be done, which a pending restart does not
// hide; 3010 when the next restart completes the removal; else 0.
inline int exitCodeOf(const RemovalOutcome& outcome) {
    return outcome.incomplete() ? kExitIncomplete : outcome.atRestart.empty() ? kExitDone : kExitRestartNeeded;
}

// --- boxes (uninstall/Boxes.cpp), captioned "Uninstall" ---
// In the silent mode (/S) no box is shown: what a box would say goes to the
// log, and a file that cannot be removed is skipped.
void setSilent(bool silent);
void setCloseApplications(bool close);
bool confirmUninstall(const std::string& title, const std::string& target);
// Retry (true) or Skip (false) for a file that cannot be removed; Skip
// removes a file in use (held) at the next restart, and leaves any other.
bool retryRemoval(const std::string& path, const std::string& reason, bool held);
void showRefusal(const std::string& message);
void showClosing(const std::string& title, const std::string& target, const RemovalOutcome& outcome);

// --- an installation run that did not end (uninstall/Recovery.cpp) ---
// Undone first, after a box (the log when silent), when its journal is
// found for the record in folder.
void recoverLaterRun(const std::string& folder, bool isProtected, bool silent);

// --- removal (uninstall/Removal.cpp) ---
// Everything the record lists: win.ini keys, files, then the recorded
// folders; not the uninstaller's own files in folder, nor its entry. What
// is already gone or put back counts as done, so that a run stopped
// part-way can be started again.
RemovalOutcome removeInstallation(const std::string& folder, const InstallRecord& record);
// The record in folder rewritten to list only what is left; then, when
// nothing is, the Apps & Features entry removed (with files waiting for the
// restart: the uninstaller's own files, the folders and the entry at that
// restart, after them). Something left keeps the entry, the uninstaller
// and the record, which a second run finishes.
void settleRemoval(const std::string& folder, const InstallRecord& record, RemovalOutcome& outcome);
// Whether the uninstaller's own files go now: nothing is left, nor waits
// for the restart.
inline bool ownFilesGoNow(const RemovalOutcome& outcome) {
    return !outcome.incomplete() && outcome.atRestart.empty();
}
// The uninstaller's own files in folder: the program (while it runs from
// there, its removal at the next restart), then the record, the protected
// folder that held them, and the recorded folders that only they kept.
void removeOwnFiles(const std::string& folder, const InstallRecord& record, bool programRunning,
                    RemovalOutcome& outcome);

// --- files in use (uninstall/InUse.cpp) ---
// Before Retry or Skip for a file that could not be removed: when another
// program holds it, the reason names the programs; with /CLOSEAPPLICATIONS,
// in the silent mode, they are asked once to close (asked says so), and
// true means: try again.
bool closeHolders(const std::string& path, bool& asked);
struct RemovalProblem {
    std::string reason;
    bool held = false;  // another program holds the file
};
RemovalProblem removalProblem(const std::string& path, const std::string& reason);
// After Skip or in the silent mode: a held file's removal is scheduled at
// the next restart and listed in outcome.atRestart; false when the file is
// not held or the system refuses.
bool removeHeldAtRestart(const std::string& path, RemovalOutcome& outcome);
// With files waiting for the restart, the recorded folders (deepest first)
// and the Apps & Features entry go at the same restart, after them.
void removeAtRestartAfterFiles(const InstallRecord& record, RemovalOutcome& outcome);

// --- the copy in the temporary folder (uninstall/TempCopy.cpp) ---
// Starts a copy of this program in a fresh temporary folder that does the
// removal of the installation whose record lies in folder (options are
// handed on), and waits until it has; returns the removal's exit code, or
// -1 when no copy could be started.
int removeThroughTempCopy(const std::string& folder, const std::string& options);
// In the copy: whether the handles given on the command line (as text) are
// ones its parent process handed down, the first a handle of that process:
// only the uninstaller that asked the question starts a copy so. Anything
// else (a copy started by hand, with any arguments) removes nothing.
bool startedByAskingUninstaller(const std::string& handles);
// In the copy: tells the process that started it the removal's exit code,
// then waits for it to end.
void reportToStarter(const std::string& handles, int exitCode);
// Marks this program's file and its fresh folder for deletion at the next
// restart, as far as the system lets it.
void removeSelfAtRestart();

// The Windows side of the journal (record/Journal.h), shared by the
// installer and the uninstaller: where a run's journal lives, how its
// changes are undone, and how a journal that a run left is finished.
//
// An elevated run keeps its journal with its record, in the protected
// folder of its installation; a run without elevation keeps it in the
// user's local application data, in a folder of the same name. Either way
// the next start finds it without knowing the target, and the backups of
// the files the run replaced lie in the folder "backup" beside it.
#pragma once

#include <string>
#include <vector>

#include "record/Journal.h"

// The folder that holds the journals of this process's kind of run: the
// protected records folder when elevated, else the user's.
std::string journalsRoot();

// The journal folder of an installation into target: its protected record
// folder when elevated, else its folder under the user's journalsRoot.
// Empty when the system names no such folder.
std::string journalFolderFor(const std::string& target);

// The values of the installation's Apps & Features entry (its key name
// under the Uninstall key of this process's hive) as the journal keeps
// them, so that undoing puts them back exactly; hadEntry false when there
// is no such key.
std::string readEntryValues(const std::string& keyName, bool& hadEntry);

// What undoing or finishing a journal did.
struct UndoReport {
    std::vector<std::string> undone;     // each change taken back, as the log says it
    std::vector<std::string> notUndone;  // each change that could not be, for the warning
};

// Undoes the steps, latest first. Every step is undone only when it is
// still to be done (a file removed when it is there, a backup moved back
// when it is there), so that a run of this that was itself cut short can be
// repeated. target is the installation's folder: what lies in it is reached
// without following a link.
void undoSteps(const std::vector<UndoStep>& steps, const std::string& target, UndoReport& report);

// The file at path moved into the backup folder as backup, by rename
// through its own handle (a file under the target reached without
// following a link); copied there, the copy on the disk, when it cannot be
// moved. putBack moves it back where nothing stands at path. False, why
// saying why (and link set when a link stands in the way), when nothing
// was done.
bool setAside(const std::string& path, const std::string& backup, const std::string& target, std::string& why,
              bool& link);
bool putBack(const std::string& backup, const std::string& path, const std::string& target, std::string& why);

// The journal, its backup folder with what is left in it, and the folder
// and journalsRoot when they are empty then.
void removeJournal(const std::string& folder);

// The journal in folder, read by the rules for this process's kind of run.
enum class JournalState { None, Committed, Unfinished, Damaged };
JournalState readJournalIn(const std::string& folder, Journal& journal, std::string& detail);

// A journal left in folder is finished: an unfinished run is undone; a
// committed one has its backups deleted (a backup whose file is not there
// is moved back instead). Then the journal, the backup folder and the
// folder itself, when empty, go. False for a damaged journal, which stays.
bool finishJournal(const std::string& folder, const Journal& journal, UndoReport& report);

// The folders under journalsRoot that hold a journal; empty folders left
// by a run killed before its first line are removed on the way.
std::vector<std::string> journalFolders();

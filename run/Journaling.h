// The journal of this run (record/Journal.h gives its form): every change
// the installer makes is announced here first, and its line is on the disk
// when the call returns. A journal that cannot be written ends the run as a
// fatal error does, and the run is then taken back. The subsystems call
// these just before their changes; the Start sequence commits the run at
// its end, and every early end rolls it back.
#pragma once

#include <string>
#include <vector>

// Only the installer keeps a journal, from this call on; the tools that
// share the builder (dicttool) write without one, and every call here then
// does nothing.
void keepJournal();

// The journal begun for the target (its long spelling), before the first
// change; the later calls begin it for the run's target when it is not.
void beginJournal(const std::string& target);
// The target the journal was begun for (the run's, also when no journal is
// kept); empty before.
const std::string& journalTarget();

// A folder about to be made.
void journalFolder(const std::string& path);
// A file about to be written, created or renamed into place. The first
// time a run names a file that is there, the file is first moved into the
// backup folder (copied there when it cannot be moved), so that its earlier
// bytes can be put back; false, with nothing changed, when that could not
// be done (the file is held, say). Later calls for the same file do nothing.
bool journalFile(const std::string& path);
// The earlier file that journalFile set aside goes back into its place,
// when the file that was to replace it could not be written.
void restoreEarlierFile(const std::string& path);
// A [Dictionary] key of win.ini about to be written, with what it held;
// the section about to be created.
void journalIniKey(const std::string& key, bool hadValue, const std::string& previous);
void journalIniSection();
// The Apps & Features entry about to be written (its key name), with the
// values it held (hadEntry false when there was none).
void journalEntry(const std::string& keyName, bool hadEntry, const std::string& values);

// The run reached its end: "commit" on the disk, then the backups and the
// journal deleted. False when the commit could not be written (the run is
// then rolled back by the next start).
bool commitJournal();
// Every change of the run undone, latest first; what could not be undone
// is named in notUndone. Nothing is done when no journal was begun.
void rollBackJournal(std::vector<std::string>& notUndone);
bool journalBegun();

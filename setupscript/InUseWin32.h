// The installer's files in use: the programs that hold files the
// installation replaces are named before the first copy, and a copy onto a
// file still held is retried or waits for the next restart.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Before the first copy: which of the files (those of the installation
// that the run will write again) other programs hold. Interactively a box
// names the programs, or the files where the system names none: Retry asks
// again, Ignore goes on, Abort ends the run as Abort in a copy's box does.
// Silently the run goes on; with /CLOSEAPPLICATIONS the programs are first
// asked to close.
void askAboutFilesInUse(const std::vector<std::string>& files);

// What became of a copy that failed with error.
enum class HeldCopy {
    NotHeld,    // not a file in use, or its replacement could not be scheduled: the copy's own failure
    Retry,      // try the copy again
    AtRestart,  // the new file waits beside it and replaces it at the next restart
};

// At a copy's failure: a destination that another program holds gets the
// box (Retry; Ignore: replaced at the next restart; Abort), or silently its
// replacement at the next restart (with /CLOSEAPPLICATIONS: after its
// programs were asked once to close). A replacement is noted in the record
// and in runEnd.atRestart.
HeldCopy handleHeldCopy(const std::string& source, const std::string& destination, DWORD error, bool existed);

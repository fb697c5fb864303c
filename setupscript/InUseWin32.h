// A copy onto a file that another program holds is retried, or its new
// file waits beside it for the next restart (run/HeldFiles.h asks).
#pragma once

#include <windows.h>

#include <string>

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

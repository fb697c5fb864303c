// How a run ends before its time: a fatal error, or Abort in a copy's box,
// or a target refused where no one could type another. Both throw EarlyEnd,
// which unwinds (closing and removing what the holders on the way hold) to
// the program's top: the Start command and WinMain catch it and end the run
// there, with its box and exit code.
#pragma once

#include <string>

struct EarlyEnd {
    std::string message;  // shown in an "Error" box; empty when no box is due
    int exitCode = 1;
};

// Ends the run with the message in an "Error" box, exit code 1.
[[noreturn]] void fatalError(const char* message);

// Ends the run without a box, exit code 1.
[[noreturn]] void endRunEarly();

// Test definitions of the installer's seams, for the host: drawing is
// recorded, message boxes are recorded, file replacement and every
// operation of the file layer can be made to fail on demand, the Italian
// collation can be chosen or not, and the system's ANSI code page is the
// test's. Everything else is core_posix's, as in the host programs.
#pragma once

#include <string>
#include <vector>

#include "core/FileLayer.h"
#include "run/EarlyEnd.h"

struct DrawEvent {
    std::string kind;  // "begin", "end", "name", "bar", "status", "counter"
    std::string text;
    int left = 0, top = 0, right = 0, bottom = 0, value = 0;
};

struct HostPlatform {
    std::vector<DrawEvent> draws;
    std::vector<std::string> closingMessages;
    std::vector<std::string> collationWarnings;
    bool collationAvailable = true;  // whether selectCollation succeeds
    bool collationSelected = false;  // whether it did
    bool failReplace = false;        // every replacement of a file fails
    // The system's ANSI code page (core_posix converts Windows-1252 as
    // Windows does, and the others with the C library).
    unsigned ansiCodePage = 1252;

    // Fault injection for the file layer, per operation: call number failAt
    // (counted from 1) fails, 0 never; calls counts the calls so far.
    struct FileFault {
        int failAt = 0;
        int calls = 0;
    };
    FileFault faults[kFileOpCount];
    FileFault& fault(FileOp op) { return faults[static_cast<int>(op)]; }
};

HostPlatform& hostPlatform();

// Clears the recorder and the knobs, and puts the script's settings, the
// failed steps, the progress layout, the install notes and comparisonCount
// back to their start values.
void resetHostPlatform();

// The recorded events of one kind, in order.
std::vector<DrawEvent> drawsOfKind(const std::string& kind);

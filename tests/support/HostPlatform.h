// Test definitions of the installer's Windows seam, for the host: drawing is
// recorded, message boxes are recorded, file replacement and every
// operation of the file layer can be made to fail on demand, and code pages
// and names are converted and compared by small tables.
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
    bool failReplace = false;        // systemReplaceFile refuses
    // The system's ANSI code page. The host converts Windows-1252 as Windows
    // does, and a few characters of Shift-JIS (932) for the double-byte cases.
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

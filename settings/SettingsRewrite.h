// How kelmo.ini is rewritten: every rewrite goes through tmp.ini, which
// takes kelmo.ini's place in one move only when it was written completely,
// the journal told first. A kelmo.ini that a program holds gets its new
// content at the next restart; until then the run reads and rewrites the
// one that waits.
#pragma once

#include <string>

#include "core/FileLayer.h"

constexpr const char* kSettingsName = "kelmo.ini";
constexpr const char* kScratchName = "tmp.ini";

// kelmo.ini and tmp.ini lie in the target directory, named from it.
const char* settingsRoot();

// The settings as they now stand, relative to targetRoot: kelmo.ini, or the
// one of this run that replaces it at the next restart.
const char* settingsName();

// A failure to open or read kelmo.ini (a link met on the way says so): the
// run ends.
[[noreturn]] void settingsFailure(const char* message);

// tmp.ini about to be written, in the journal.
bool journalScratch();

// tmp.ini, written and closed, put in the place of the settings; they are
// as they were when that fails.
bool replaceSettings();

// A rewrite of the settings through tmp.ini. They change only in the last
// step, commitRewrite; on any other way out tmp.ini is removed.
struct Rewrite {
    FilePtr in;
    PendingFile out{settingsRoot(), kScratchName};
};

// The settings opened for reading, tmp.ini for writing; the run ends when
// either cannot be.
void beginRewrite(Rewrite& rewrite);

// Ends the run with tmp.ini removed first: the holder would remove it when
// the fatal error unwinds, but the process may also end where it is.
[[noreturn]] void rewriteFailed(Rewrite& rewrite, const char* message);
void writeOrFail(Rewrite& rewrite, const char* text);
void readOrFail(Rewrite& rewrite, bool read);

// tmp.ini closed and put in place, or the run ends.
void commitRewrite(Rewrite& rewrite);

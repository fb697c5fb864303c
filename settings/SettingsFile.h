// The dictionary settings file kelmo.ini in the target directory: its
// creation, the replacement of a language's entry and the sorting of the
// language section. Every rewrite goes through
// tmp.ini, which replaces kelmo.ini only when it was written completely.
//
// The 8-bit dictionary program reads the file in the system's ANSI code
// page: the texts given here in UTF-8 are written in it, and one it cannot
// write ends the run (fatalError with unwritableSettingsMessage).
#pragma once

#include <cstdint>
#include <string>

#include "settings/LanguageEntry.h"

// Why a text cannot go into kelmo.ini: the system's ANSI code page has no
// form for the character.
std::string unwritableSettingsMessage(const std::string& text, const std::string& character);

// Creates kelmo.ini with its skeleton when it does not exist yet (fromName
// goes under [selected]). When verbose is on, moves statusY down by 25.
void createSettingsFile(const char* fromName);

// Removes every line whose entry key equals displayName (letters A to Z
// folded).
void dropLanguageEntry(const char* displayName);

// Inserts the entry "field 1,field 2,field 3,displayName" before the first
// short line that follows each "[language]" line.
void appendLanguageEntry(const LanguageEntry& entry);

// The number of entries of the language section; -1 when kelmo.ini cannot
// be opened or read.
int countLanguageEntries();

// Sorts the count entries (as countLanguageEntries found them) of the
// language section by display name; 0 when the file was rewritten, -1 when
// it gave up (kelmo.ini as it was, no tmp.ini left): the sort loses nothing
// but the order, so it never ends the run.
int sortLanguageSection(int count);


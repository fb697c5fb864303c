// The reverse-list builder: a FROM wordlist becomes its TO wordlist, every
// translation a headword of its own, sorted by the collation and merged.
#pragma once

#include "settings/LanguageEntry.h"

// Builds language\<toName> from language\<fromName> with the progress
// display. Every failure of a file operation ends in fatalError; a TEMP or
// TO wordlist that could not be written completely is deleted first. The
// closing message is the language-list driver's (showBuildFinished).
void buildReverseList(const LanguageEntry& entry);

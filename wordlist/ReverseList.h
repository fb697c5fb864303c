// The reverse-list builder: a FROM wordlist becomes its TO wordlist, every
// translation a headword of its own, sorted by the collation and merged.
#pragma once

#include "settings/LanguageEntry.h"

// Builds language\<toName> from language\<fromName> with the progress
// display. Every failure of a file operation ends in fatalError; a TEMP or
// TO wordlist that could not be written completely is deleted first. The
// closing message is the language-list driver's (showBuildFinished).
void buildReverseList(const LanguageEntry& entry);

// Ends in fatalError when the FROM or the TO name of the block would lead
// out of the language folder (see nameLeaves), is the scratch file's, or
// makes a path too long: checked before anything of the block is written.
void refuseWordListNames(const LanguageEntry& entry);

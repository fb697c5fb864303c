// The reverse-list builder: a FROM wordlist becomes its TO wordlist, every
// translation a headword of its own, sorted by the collation and merged.
#pragma once

#include <cstdio>
#include <vector>

#include "base/LanguageEntry.h"
#include "wordlist/WordRecord.h"

// Sets the record count of an open word-list file (its size divided by 84),
// leaves the file at its start and returns the count; -1 when the size
// cannot be determined.
long countRecords(std::FILE* file);

// Reads count records from the start of the file. Returns false when the
// file cannot be positioned, memory runs out or a record cannot be read in
// full. Paints the record counter as it goes.
bool loadRecords(std::FILE* file, long count, std::vector<WordRecord>& records);

// Appends one reversed record (translation as word, source word as
// meanings) to the TEMP wordlist; writes nothing when the source word is
// longer than 50 or the translation, less its leading blanks, longer than 30
// characters. A short write ends in fatalError("Write error tempfile").
void writeInvertedRecord(std::FILE* temp, const char* sourceWord, const char* translation);

// Builds language\<toName> from language\<fromName> with the progress
// display, then shows the closing message. Every failure of a file
// operation ends in fatalError; a TEMP or TO wordlist that could not be
// written completely is deleted first.
void buildReverseList(const LanguageEntry& entry);

// The language list language.cf and the per-language driver.
#pragma once

#include <cstdio>
#include <string>

#include "base/LanguageEntry.h"

// Reads the next content line of the language list into buf (100 bytes:
// at most 99 characters per read), one trailing LF removed, comment lines
// (empty, or "#" in the first column) skipped. Returns 0 when it delivered a
// line, -1 at the end of the file.
int readContentLine(std::FILE* list, char (&buf)[100]);

// Where the reading of a language list stands: the file line (from 1) of
// the line delivered last, and the file line the next read starts on.
struct ListPosition {
    int line = 0;
    int nextLine = 1;
};

// readContentLine that also tells the file line each content line is on.
int readContentLine(std::FILE* list, char (&buf)[100], ListPosition& at);

// Splits a language line at commas (runs of commas are one separator; the
// commas before the first field stay with field 1; text after field 4 is
// dropped). Returns the number of fields found, at most 4.
int splitLanguageLine(const char* line, LanguageEntry& entry);

// The closing message of a language build: the bytes of the script's
// display file, read again for every language, or the standard text when
// there is none or it cannot be read.
void showBuildFinished();

// Walks language.cf in the current directory: for every block selects the
// collation, creates the settings file on the first block, builds the TO
// wordlist, shows the closing message and records the language in the
// settings file; at the end the list is closed and deleted.
void processLanguageList();

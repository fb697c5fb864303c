// The language list language.cf and the per-language driver.
#pragma once

#include <string>
#include <vector>

#include "settings/LanguageEntry.h"
#include "core/TextFile.h"

// One content line of the language list: a read of at most 99 characters
// that is not a comment (empty, or "#" in the first column), one trailing LF
// removed, and the file line it is on.
struct ListLine {
    int line = 0;
    std::string text;
};

// The content lines of the decoded list, in order.
std::vector<ListLine> contentLines(const std::string& text);

// The first character of the list's texts for kelmo.ini (the four fields of
// every language line, the first FROM name) that the system's ANSI code page
// cannot write, where the dictionary program reads them; "" when it can write
// them all, or when the list cannot be read.
std::string unwritableLanguageText(const char* listPath);

// Splits a language line at commas (runs of commas are one separator; the
// commas before the first field stay with field 1; text after field 4 is
// dropped). Returns the number of fields found, at most 4.
int splitLanguageLine(const char* line, LanguageEntry& entry);

// The closing message of a language build: the text of the script's
// display file up to a zero byte (decoded as the language list is, but
// without text mode), read again for every language, or the standard text
// when there is none or it cannot be read.
void showBuildFinished();

// Walks language.cf in the target directory: for every block selects the
// collation, creates the settings file on the first block, builds the TO
// wordlist, shows the closing message and records the language in the
// settings file; at the end the list is closed and deleted. A list with a
// text that kelmo.ini cannot hold (see unwritableLanguageText) ends in
// fatalError before any language is built.
void processLanguageList();

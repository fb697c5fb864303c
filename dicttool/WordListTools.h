// The word-list commands: a word-list file shown as text, text packed into
// a word-list file, and a FROM wordlist reversed by the installer's own
// builder. Each throws ToolError when it cannot do its work.
#pragma once

#include <cstdio>
#include <string>

enum class TextEncoding { Utf8, Windows1252 };

// Writes one line per record, headword TAB translations, in UTF-8. Returns
// the number of records that the text cannot show byte for byte (reported
// on standard error).
int dumpWordList(const std::string& path, std::FILE* out);

// Writes the records of the text; nothing at all when a line is bad.
// Returns the number of records written.
long packWordList(const std::string& textPath, TextEncoding encoding, const std::string& outPath);

struct ReverseResult {
    long fromRecords = 0;
    long toRecords = 0;
    bool italian = false;  // the system's Italian comparison sorted it; else the folding comparison
};

// Builds toPath from fromPath as the installer builds a TO wordlist, in a
// scratch folder beside toPath; toPath is replaced only by a whole list.
ReverseResult reverseWordList(const std::string& fromPath, const std::string& toPath);

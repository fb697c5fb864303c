// Helpers of the word-list tests: word-list files written and read back
// byte by byte, the order that the Italian rules give, written without the
// system's comparison, the language section of kelmo.ini, and the real data
// that scripts/e2e prepares.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wordlists {

// One record of a word-list file, its two fields without terminators.
struct Record {
    std::string word;
    std::string meanings;
    bool operator==(const Record& o) const { return word == o.word && meanings == o.meanings; }
    bool operator!=(const Record& o) const { return !(*this == o); }
};
std::string toString(const Record& r);

// The 84-byte records of a list: word in 31 bytes, meanings in 51, two
// reserved bytes; everything behind a terminator zero.
std::string wordListBytes(const std::vector<Record>& records);

// A word-list file read back. `problems` describes every byte that breaks the
// record layout the installer writes (missing terminator, a non-zero byte
// behind one or in the reserved field, a partial record); empty when none.
struct ParsedList {
    std::vector<Record> records;
    std::string problems;
};
ParsedList parseWordList(const std::string& bytes);

// The FROM records of a list file as the installer reads them: each field up
// to its terminator; bytes behind the last whole record ignored.
std::vector<Record> readFromRecords(const std::string& bytes);

// The order of two Windows-1252 words under the rules of the case-insensitive
// Italian string sort, as the test states them: first the characters
// without their accents and case, symbols (punctuation, hyphens, apostrophes
// and blanks) before digits before letters, a word before its longer
// continuations; then, among words equal so far, the first accent that
// differs, the plain letter before the accented one; case never counts.
// -1, 0 or 1, or kUndecided where the rules stated here do not say (two
// different symbols, two different accents, a byte of neither kind).
constexpr int kUndecided = 2;
int italianOrder(const std::string& a, const std::string& b);
// A total order that agrees with every decided italianOrder, for sorting.
bool italianBefore(const std::string& a, const std::string& b);

// The entries of the language section of a kelmo.ini text (line ends "\n"):
// the non-empty, non-comment lines right under a "[language]" line.
std::vector<std::string> languageEntries(const std::string& iniText);

// The text with every CR LF pair made a single LF; nullopt when the text has
// a LF without CR before it or a CR without LF after it.
std::optional<std::string> fromCrLf(const std::string& text);

// The value of an environment variable, empty when unset.
std::string environment(const char* name);

// The folder of real data that scripts/e2e prepares (env E2E_DATA); empty
// when unset.
std::string dataFolder();

// The lines of a text file, without line ends ("\n" or "\r\n").
std::vector<std::string> lines(const std::string& text);

}  // namespace wordlists

// What can be told of word-list files and their names before the builder
// meets them: the names it refuses and the records it cannot use whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The path of a word list relative to the target directory: "language\" +
// name.
std::string wordListRelativePath(const std::string& name);

// A name the builder refuses because it names its scratch file (under
// which the TO wordlist is written, too, before it takes its own name): the
// name, resolved under language\ as Windows resolves a path ("\" and "/"
// alike, "." and empty parts dropped, ".." one level up, case and trailing
// dots and blanks of a part ignored), is language\temp.wb. A temp.wb in
// another folder is another file.
bool isScratchName(const std::string& name);

// The word list's full path, targetDirSlash + "language\" + name, fits a
// path buffer; the builder refuses a name for which it does not.
bool wordListPathFits(const std::string& targetSlash, const std::string& name);

// One pass over the bytes of a FROM wordlist.
struct RecordSurvey {
    std::uint64_t records = 0;
    std::size_t trailingBytes = 0;           // behind the last whole record: ignored by the builder
    std::uint64_t unterminated = 0;          // records with a field that lacks its terminator
    std::uint64_t firstUnterminated = 0;     // the first such record, counted from 0
    std::uint64_t longTranslations = 0;      // translations the builder leaves out: over 30 characters
    std::uint64_t firstLongTranslation = 0;  // the record of the first one
    std::string longExample;                 // and its text
    std::uint64_t reversed = 0;              // the records the builder makes of the translations
};

// Adds the whole records of bytes, which follow those surveyed so far, to
// the survey; the bytes behind the last whole record count as trailing.
void surveyRecords(const char* bytes, std::size_t size, RecordSurvey& survey);

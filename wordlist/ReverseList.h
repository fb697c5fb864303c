// The reverse-list builder: a FROM wordlist becomes its TO wordlist, every
// translation a headword of its own, sorted by the collation and merged.
#pragma once

#include <cstddef>
#include <cstdio>

#include "base/LanguageEntry.h"
#include "wordlist/WordRecord.h"

// Records in one block of memory that is left uninitialised and can grow
// (realloc): a list read from a file is written over at once, and growing
// the block keeps what it holds, on many systems without a copy. The
// builder keeps the FROM records' memory for the merged groups this way.
class RecordBuffer {
public:
    RecordBuffer() = default;
    RecordBuffer(RecordBuffer&& other) noexcept;
    RecordBuffer& operator=(RecordBuffer&& other) noexcept;
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;
    ~RecordBuffer();

    // Holds count records, the first ones kept; false, changing nothing,
    // when memory runs out.
    bool resize(std::size_t count);

    std::size_t size() const { return size_; }
    WordRecord* data() { return records_; }
    const WordRecord* data() const { return records_; }
    WordRecord& operator[](std::size_t i) { return records_[i]; }
    const WordRecord& operator[](std::size_t i) const { return records_[i]; }

private:
    WordRecord* records_ = nullptr;
    std::size_t size_ = 0;
};

// Sets the record count of an open word-list file (its size divided by 84),
// leaves the file at its start and returns the count; -1 when the size
// cannot be determined.
long countRecords(std::FILE* file);

// Reads count records from the start of the file. Returns false when the
// file cannot be positioned, memory runs out or a record cannot be read in
// full. Paints the record counter as it goes.
bool loadRecords(std::FILE* file, long count, RecordBuffer& records);

// Appends one reversed record (translation as word, source word as
// meanings) to the TEMP wordlist; writes nothing when the source word is
// longer than 50 or the translation, less its leading blanks, longer than 30
// characters. A short write ends in fatalError("Write error tempfile").
void writeInvertedRecord(std::FILE* temp, const char* sourceWord, const char* translation);

// Builds language\<toName> from language\<fromName> with the progress
// display. Every failure of a file operation ends in fatalError; a TEMP or
// TO wordlist that could not be written completely is deleted first. The
// closing message is the language-list driver's (showBuildFinished).
void buildReverseList(const LanguageEntry& entry);

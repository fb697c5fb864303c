// Word-list files as the reverse-list builder reads and writes them: the
// record buffer a FROM wordlist is read into, the chunk writer of the TEMP
// and TO wordlists, and the reversal of FROM records into TEMP records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/FileLayer.h"
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

// Opens a word list under root, whose records go to and from the system a
// whole chunk at a time: the stream's own buffer would only split each
// chunk into several system calls and copy it once more.
FilePtr openWordList(const char* root, const std::string& path, const char* mode);
// The same for a list being written, removed unless finished.
bool openWordList(PendingFile& file, const char* mode);

// The records of the one buffer a build passes its TEMP and TO wordlists
// through, for a FROM wordlist of fromRecords records.
std::size_t chunkRecords(std::size_t fromRecords);

// The index of the first byte c in text[from, size), or size. Eight bytes
// are tested at a time: a byte equal to c leaves a zero byte in the XOR,
// which the borrow test finds. The builder searches its short fields
// itself: the 32-bit C library's string routines are byte loops behind a
// call, and they were much of the builder's time.
inline std::size_t findByte(const char* text, std::size_t from, std::size_t size, char c) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    std::size_t at = from;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, text + at, sizeof bytes);
        bytes ^= pattern;
        if ((bytes - kOnes) & ~bytes & kHighs)
            break;
    }
    while (at < size && text[at] != c)
        ++at;
    return at;
}

// The length of a record field up to its terminator, or its size when it
// has none.
template <std::size_t N>
std::size_t fieldLength(const char (&field)[N]) {
    return findByte(field, 0, N, '\0');
}

// Collects records in the build's chunk buffer and writes them to a file a
// chunk at a time; ok turns false at the first chunk not written in full.
struct ChunkWriter {
    std::FILE* file;
    std::vector<WordRecord>& chunk;
    std::size_t used = 0;
    bool ok = true;

    ChunkWriter(std::FILE* to, std::vector<WordRecord>& buffer) : file(to), chunk(buffer) {}
    WordRecord& next() { return chunk[used]; }
    bool add() { return ++used < chunk.size() || flush(); }
    bool flush() {
        ok = ok && (used == 0 || writeItems(chunk.data(), sizeof(WordRecord), used, file));
        used = 0;
        return ok;
    }
};

// Appends one reversed record (translation as word, source word as
// meanings) to the TEMP wordlist; writes nothing when the source word is
// longer than 50 or the translation, less its leading blanks, longer than 30
// characters. A short write ends in fatalError("Write error tempfile").
void writeInvertedRecord(std::FILE* temp, const char* sourceWord, const char* translation);

// Writes one reversed record, as writeInvertedRecord makes it, per
// translation of every FROM record, with the record counter. A run of
// commas is one separator, so no translation is empty. Stops with false at
// the first chunk not written in full.
bool writeReversedRecords(const RecordBuffer& from, ChunkWriter& out);

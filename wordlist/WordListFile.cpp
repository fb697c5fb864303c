#include "wordlist/WordListFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "run/EarlyEnd.h"
#include "run/Progress.h"

namespace {

// Records per read of the FROM wordlist, which goes straight into memory.
constexpr std::size_t kRecordsPerRead = 8192;

// A small list's build pays most for fresh memory, a large one's for its
// many file calls, so the chunk grows with the list, within these bounds.
constexpr std::size_t kFewestPerChunk = 256;
constexpr std::size_t kMostPerChunk = 8192;

// The reversed record of one translation: the translation, less its
// leading blanks, as the word and the source word as the meanings; false
// when either is too long for its field.
bool invertRecord(const char* source, std::size_t sourceLength, const char* translation,
                  std::size_t translationLength, WordRecord& record) {
    while (translationLength > 0 && *translation == ' ') {
        ++translation;
        --translationLength;
    }
    if (sourceLength > kMaxMeaningsLength || translationLength > kMaxWordLength)
        return false;
    record = WordRecord{};
    std::memcpy(record.word, translation, translationLength);
    std::memcpy(record.meanings, source, sourceLength);
    return true;
}

}  // namespace

RecordBuffer::RecordBuffer(RecordBuffer&& other) noexcept
    : records_(std::exchange(other.records_, nullptr)), size_(std::exchange(other.size_, 0)) {}

RecordBuffer& RecordBuffer::operator=(RecordBuffer&& other) noexcept {
    std::swap(records_, other.records_);
    std::swap(size_, other.size_);
    return *this;
}

RecordBuffer::~RecordBuffer() {
    std::free(records_);
}

bool RecordBuffer::resize(std::size_t count) {
    if (count == size_)
        return true;
    if (count > SIZE_MAX / sizeof(WordRecord))
        return false;
    if (count == 0) {
        std::free(records_);
        records_ = nullptr;
        size_ = 0;
        return true;
    }
    void* grown = std::realloc(records_, count * sizeof(WordRecord));
    if (!grown)
        return false;
    records_ = static_cast<WordRecord*>(grown);
    size_ = count;
    return true;
}

long countRecords(std::FILE* file) {
    const long size = fileSize(file);
    if (size < 0)
        return -1;
    return static_cast<long>(static_cast<unsigned long>(size) / sizeof(WordRecord));
}

bool loadRecords(std::FILE* file, long count, RecordBuffer& records) {
    if (count < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    const std::size_t total = static_cast<std::size_t>(count);
    if (!records.resize(total))
        return false;
    for (std::size_t start = 0; start < total; start += kRecordsPerRead) {
        const std::size_t end = std::min(total, start + kRecordsPerRead);
        for (std::size_t i = start; i < end; ++i)
            showCounter(static_cast<long>(i));
        if (!readItems(&records[start], sizeof(WordRecord), end - start, file))
            return false;
    }
    return true;
}

FilePtr openWordList(const char* root, const std::string& path, const char* mode) {
    FilePtr file = openInside(root, path, mode);
    if (file)
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
    return file;
}

bool openWordList(PendingFile& file, const char* mode) {
    if (!file.open(mode))
        return false;
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    return true;
}

// A list of a few records needs a buffer of a few records; the one more
// keeps the buffer of an empty list from being empty.
std::size_t chunkRecords(std::size_t fromRecords) {
    const std::size_t perChunk = std::clamp(fromRecords / 32, kFewestPerChunk, kMostPerChunk);
    return std::min(perChunk, fromRecords * 2 + 1);
}

void writeInvertedRecord(std::FILE* temp, const char* sourceWord, const char* translation) {
    WordRecord record;
    if (invertRecord(sourceWord, std::strlen(sourceWord), translation, std::strlen(translation), record) &&
        !writeItems(&record, sizeof record, 1, temp))
        fatalError("Write error tempfile");
}

bool writeReversedRecords(const RecordBuffer& from, ChunkWriter& out) {
    for (std::size_t p = 0; p < from.size(); ++p) {
        showCounter(static_cast<long>(p));
        const WordRecord& record = from[p];
        const std::size_t wordLength = fieldLength(record.word);
        const std::size_t length = fieldLength(record.meanings);
        for (std::size_t at = 0; at < length;) {
            const std::size_t end = findByte(record.meanings, at, length, ',');
            if (end > at && invertRecord(record.word, wordLength, record.meanings + at, end - at, out.next()) &&
                !out.add())
                return false;
            at = end + 1;
        }
    }
    return out.flush();
}

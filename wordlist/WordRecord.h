// The fixed 84-byte record of every word-list file. A word-list file is a
// bare sequence of these records, without header or trailer; bytes behind
// the last whole record are ignored.
#pragma once

#include <cstddef>
#include <cstdint>

struct WordRecord {
    char word[31];      // headword, zero-terminated: at most 30 characters
    char meanings[51];  // translations separated by commas, zero-terminated: at most 50
    std::uint8_t reserved[2];  // 0 in every record the installer writes; never read
};

static_assert(sizeof(WordRecord) == 84, "a word-list record is 84 bytes");
static_assert(offsetof(WordRecord, word) == 0, "word at offset 0");
static_assert(offsetof(WordRecord, meanings) == 31, "meanings at offset 31");
static_assert(offsetof(WordRecord, reserved) == 82, "reserved at offset 82");

constexpr std::size_t kMaxWordLength = sizeof(WordRecord::word) - 1;          // 30
constexpr std::size_t kMaxMeaningsLength = sizeof(WordRecord::meanings) - 1;  // 50

// The grouping and merge of the TEMP wordlist's records.
//
// The records with byte-equal words form one group. Such words are equal
// under any collation and end up next to each other in the sorted list, so
// only one word per group is sorted. Each record is merged into its group as
// the records are met in TEMP order: a group is held as its head, its word
// and the meanings of its records joined so far, so only one head per group
// stays in memory.
//
// The heads are packed one after another in one block of memory, the FROM
// records' (no longer needed), which grows only when it is full. A head is
// its word's length, its meanings' length and the room for meanings, then
// the word, zero-terminated, then the meanings. It is made with room for
// its first record's meanings only, as most groups have one record; the
// first time more are joined it moves to the end, with room for the
// longest, and its old place is left unused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "wordlist/WordListFile.h"
#include "wordlist/WordRecord.h"

// Records and groups are numbered with 32 bits; a slot of the hash table
// holds a group's number + 1, 0 being a free slot.
constexpr std::uint64_t kMaxRecords = 0xFFFFFFFEu;

// Heads are found by offsets of 32 bits: the arena's bytes end here at most
// (some 25 million words).
constexpr std::uint64_t kArenaLimit = 0xFFFFFFFFu;

struct HeadArena {
    RecordBuffer block;
    std::size_t used = 0;  // bytes

    unsigned char* at(std::size_t offset) { return reinterpret_cast<unsigned char*>(block.data()) + offset; }
    const unsigned char* at(std::size_t offset) const {
        return reinterpret_cast<const unsigned char*>(block.data()) + offset;
    }
};

constexpr std::size_t kHeadFields = 3;  // word length, meanings length, room

// A head's word and meanings, where its layout puts them.
inline const char* headWord(const unsigned char* head) {
    return reinterpret_cast<const char*>(head + kHeadFields);
}

inline const char* headMeanings(const unsigned char* head) {
    return headWord(head) + head[0] + 1;
}

// The records the arena's block must hold for a head of `bytes` behind the
// `used` bytes of a block of `records` records: the block as it is when
// the head fits, else twice its size, or more when that is not enough;
// none when the head would end beyond kArenaLimit.
std::optional<std::size_t> arenaRecordsFor(std::size_t records, std::size_t used, std::size_t bytes);

// Space for a head of the given size at the end of the arena; returns its
// offset. Throws std::bad_alloc, the arena unchanged, when memory runs out
// or the head would end beyond kArenaLimit.
std::uint32_t appendHead(HeadArena& arena, std::size_t bytes);

struct Group {
    std::uint32_t head;  // its offset in the arena
    std::uint32_t hash;  // of its word
    std::uint32_t size;  // its number of TEMP records
};

struct MergedGroups {
    HeadArena heads;
    std::vector<Group> groups;

    const unsigned char* head(std::size_t group) const { return heads.at(groups[group].head); }
};

// The groups while the TEMP wordlist is read, with an open-addressing table
// of group numbers + 1 (0: a free slot), kept at most three quarters full.
struct Grouping {
    MergedGroups merged;
    std::vector<std::uint32_t> slots;
};

// The heads go into the memory given. The table starts at the size that
// the TEMP record count could need, up to a limit beyond which it grows.
Grouping startGrouping(RecordBuffer memory, std::size_t tempRecords);

// Joins each record to the group of its word, or starts that group. The
// records' fields must be terminated. Throws std::bad_alloc when memory
// runs out.
void mergeChunk(Grouping& grouping, const WordRecord* records, std::size_t count);

// A hint to bring memory into the cache before it is needed.
inline void prefetch(const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

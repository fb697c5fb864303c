#include "wordlist/GroupMerge.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::size_t kLargestHead = kHeadFields + kMaxWordLength + 1 + kMaxMeaningsLength;

char* headMeanings(unsigned char* head) {
    return reinterpret_cast<char*>(head + kHeadFields + head[0] + 1);
}

// Writes a head at the end of the arena and returns its offset.
std::uint32_t makeHead(HeadArena& arena, const char* word, std::size_t wordLength, const char* meanings,
                       std::size_t meaningsLength, std::size_t room) {
    const std::uint32_t offset = appendHead(arena, kHeadFields + wordLength + 1 + room);
    unsigned char* head = arena.at(offset);
    head[0] = static_cast<unsigned char>(wordLength);
    head[1] = static_cast<unsigned char>(meaningsLength);
    head[2] = static_cast<unsigned char>(room);
    std::memcpy(head + kHeadFields, word, wordLength);
    head[kHeadFields + wordLength] = '\0';
    std::memcpy(head + kHeadFields + wordLength + 1, meanings, meaningsLength);
    return offset;
}

// Moves a head to the end of the arena with room for the longest meanings;
// returns its new offset.
std::uint32_t widenHead(HeadArena& arena, std::uint32_t offset) {
    unsigned char copy[kLargestHead];  // making the new head may move the block
    const unsigned char* head = arena.at(offset);
    std::memcpy(copy, head, kHeadFields + head[0] + 1 + head[1]);
    return makeHead(arena, headWord(copy), copy[0], headMeanings(copy), copy[1], kMaxMeaningsLength);
}

// FNV-1a of a word of at most 30 characters; length is set to its length.
std::uint32_t hashWord(const char* word, std::size_t& length) {
    std::uint32_t hash = 2166136261u;
    std::size_t i = 0;
    for (; word[i] != '\0'; ++i)
        hash = (hash ^ static_cast<unsigned char>(word[i])) * 16777619u;
    length = i;
    return hash;
}

// Whether two words of the same known length are equal: a few bytes, no
// library call.
bool sameBytes(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

// Doubles the table, each group placed anew by its hash.
void growTable(std::vector<std::uint32_t>& slots, const std::vector<Group>& groups) {
    std::vector<std::uint32_t> larger(slots.size() * 2, 0);
    const std::size_t mask = larger.size() - 1;
    for (std::uint32_t slot : slots) {
        if (slot == 0)
            continue;
        std::size_t at = groups[slot - 1].hash & mask;
        while (larger[at] != 0)
            at = (at + 1) & mask;
        larger[at] = slot;
    }
    slots.swap(larger);
}

// A new group headed by the record; returns its number + 1.
std::uint32_t addGroup(MergedGroups& merged, const WordRecord& record, std::uint32_t hash, std::size_t wordLength) {
    const std::size_t meaningsLength = fieldLength(record.meanings);
    const std::uint32_t head =
        makeHead(merged.heads, record.word, wordLength, record.meanings, meaningsLength, meaningsLength);
    merged.groups.push_back({head, hash, 1});
    return static_cast<std::uint32_t>(merged.groups.size());
}

// Appends ", " and the meanings of record to those of the group's head
// when the joined text stays within 50 characters; a record that does not
// fit is dropped, while a later shorter one may still be joined.
void joinMeanings(HeadArena& arena, Group& group, const WordRecord& record) {
    const std::size_t joined = arena.at(group.head)[1];
    if (joined + 2 > kMaxMeaningsLength)
        return;
    const std::size_t length = fieldLength(record.meanings);
    if (joined + 2 + length > kMaxMeaningsLength)
        return;
    if (joined + 2 + length > arena.at(group.head)[2])
        group.head = widenHead(arena, group.head);
    unsigned char* head = arena.at(group.head);
    char* meanings = headMeanings(head);
    std::memcpy(meanings + joined, ", ", 2);
    std::memcpy(meanings + joined + 2, record.meanings, length);
    head[1] = static_cast<unsigned char>(joined + 2 + length);
}

// Joins the record to the group of its word, or starts that group. Throws
// std::bad_alloc when memory runs out.
void mergeRecord(Grouping& grouping, const WordRecord& record, std::uint32_t hash, std::size_t wordLength) {
    MergedGroups& merged = grouping.merged;
    const std::size_t mask = grouping.slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = grouping.slots[at];
        if (slot == 0) {
            grouping.slots[at] = addGroup(merged, record, hash, wordLength);
            break;
        }
        Group& group = merged.groups[slot - 1];
        const unsigned char* head = merged.heads.at(group.head);
        if (group.hash == hash && head[0] == wordLength && sameBytes(headWord(head), record.word, wordLength)) {
            joinMeanings(merged.heads, group, record);
            ++group.size;
            return;
        }
    }
    if (merged.groups.size() * 4 > grouping.slots.size() * 3)
        growTable(grouping.slots, merged.groups);
}

}  // namespace

std::optional<std::size_t> arenaRecordsFor(std::size_t records, std::size_t used, std::size_t bytes) {
    if (used > kArenaLimit || bytes > kArenaLimit - used)
        return std::nullopt;
    const std::size_t end = used + bytes;
    const std::size_t capacity = records * sizeof(WordRecord);
    if (end <= capacity)
        return records;
    // Neither the doubling nor the rounding up to whole records may wrap
    // where size_t has 32 bits.
    const std::size_t doubled = capacity <= SIZE_MAX / 2 ? capacity * 2 : SIZE_MAX;
    const std::size_t wanted = std::max(doubled, end);
    return wanted / sizeof(WordRecord) + (wanted % sizeof(WordRecord) != 0);
}

std::uint32_t appendHead(HeadArena& arena, std::size_t bytes) {
    const std::optional<std::size_t> records = arenaRecordsFor(arena.block.size(), arena.used, bytes);
    if (!records || (*records != arena.block.size() && !arena.block.resize(*records)))
        throw std::bad_alloc();
    const std::size_t offset = arena.used;
    arena.used += bytes;
    return static_cast<std::uint32_t>(offset);
}

Grouping startGrouping(RecordBuffer memory, std::size_t tempRecords) {
    constexpr std::size_t kLargestFirstTable = std::size_t{1} << 15;
    Grouping grouping;
    grouping.merged.heads.block = std::move(memory);
    grouping.merged.groups.reserve(tempRecords);  // only the pages used become resident
    std::size_t slots = 1024;
    while (slots < kLargestFirstTable && slots * 3 < tempRecords * 4)
        slots *= 2;
    grouping.slots.assign(slots, 0);
    return grouping;
}

// The records are taken in small batches whose table slots, groups and
// heads are asked for ahead, so that their cache misses overlap.
void mergeChunk(Grouping& grouping, const WordRecord* records, std::size_t count) {
    constexpr std::size_t kBatch = 16;
    const MergedGroups& merged = grouping.merged;
    for (std::size_t base = 0; base < count; base += kBatch) {
        const std::size_t end = std::min(count, base + kBatch);
        const std::size_t mask = grouping.slots.size() - 1;  // the table grows between batches
        std::uint32_t hashes[kBatch];
        std::size_t lengths[kBatch];
        for (std::size_t i = base; i < end; ++i) {
            hashes[i - base] = hashWord(records[i].word, lengths[i - base]);
            prefetch(&grouping.slots[hashes[i - base] & mask]);
        }
        for (std::size_t i = base; i < end; ++i)
            if (std::uint32_t slot = grouping.slots[hashes[i - base] & mask])
                prefetch(&merged.groups[slot - 1]);
        for (std::size_t i = base; i < end; ++i)
            if (std::uint32_t slot = grouping.slots[hashes[i - base] & mask])
                prefetch(merged.head(slot - 1));
        for (std::size_t i = base; i < end; ++i)
            mergeRecord(grouping, records[i], hashes[i - base], lengths[i - base]);
    }
}

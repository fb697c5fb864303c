// The sort of the merged groups into the order of the TO wordlist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wordlist/GroupMerge.h"

// A group in the sort: the first 12 bytes of its word's collation key,
// big-endian in three parts so that integer order is byte order, and the
// group's number. Bytes behind the end of a key count as 0, which keeps the
// prefix order consistent with the key order (a shorter key first). Most
// comparisons end on the prefix.
constexpr int kPrefixParts = 3;

struct SortEntry {
    std::uint32_t prefix[kPrefixParts];
    std::uint32_t group;
};

// The groups to sort, in their numbering to start with. The entries lie in
// the unused end of the heads' block when they fit there: that memory is
// in use already, while fresh memory costs a page fault per page.
struct SortOrder {
    std::vector<SortEntry> own;  // otherwise here
    SortEntry* entries = nullptr;
    std::size_t count = 0;

    SortEntry* begin() const { return entries; }
    SortEntry* end() const { return entries + count; }
    std::size_t size() const { return count; }
    const SortEntry& operator[](std::size_t k) const { return entries[k]; }
};

// How the sort compares words: by the byte order of the keys a collation
// makes (collateSortKey), one per group made once, or, with kFoldInPlace,
// by foldCompare applied to the words in place, without a copy.
using SortKeyFunction = std::string (*)(const char* word);
constexpr SortKeyFunction kFoldInPlace = nullptr;

// The groups in the order in which they are written: sorted by the
// comparison given, words equal under it by their bytes. countComparison
// is called before every comparison. Throws std::bad_alloc when memory
// runs out.
SortOrder sortGroups(MergedGroups& groups, SortKeyFunction sortKey);

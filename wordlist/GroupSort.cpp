#include "wordlist/GroupSort.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/Collation.h"
#include "run/Progress.h"

namespace {

// The entry's prefix from the first bytes of a key.
void setPrefix(SortEntry& entry, const unsigned char* key, std::size_t length) {
    unsigned char bytes[4 * kPrefixParts] = {};
    std::memcpy(bytes, key, std::min<std::size_t>(length, sizeof bytes));
    for (int part = 0; part < kPrefixParts; ++part) {
        const unsigned char* b = bytes + 4 * part;
        entry.prefix[part] = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                             (std::uint32_t{b[2]} << 8) | b[3];
    }
}

// -1, 0 or 1 as the prefix of a sorts before, equal to or after b's.
int comparePrefixes(const SortEntry& a, const SortEntry& b) {
    for (int part = 0; part < kPrefixParts; ++part)
        if (a.prefix[part] != b.prefix[part])
            return a.prefix[part] < b.prefix[part] ? -1 : 1;
    return 0;
}

// The groups a sort reads.
struct SortInput {
    const MergedGroups& groups;
    const char* word(const SortEntry& entry) const { return headWord(groups.head(entry.group)); }

    // Words equal under the collation are ordered by their bytes. Distinct
    // groups never have byte-equal words; the group number only keeps the
    // order total whatever happens.
    bool byteLess(const SortEntry& a, const SortEntry& b) const {
        const int bytes = std::strcmp(word(a), word(b));
        return bytes != 0 ? bytes < 0 : a.group < b.group;
    }
};

// The entries, in the heads' block or apart, each with its group number.
SortOrder placeOrder(MergedGroups& groups) {
    SortOrder order;
    order.count = groups.groups.size();
    HeadArena& arena = groups.heads;
    const std::size_t start = (arena.used + alignof(SortEntry) - 1) / alignof(SortEntry) * alignof(SortEntry);
    const std::size_t capacity = arena.block.size() * sizeof(WordRecord);
    if (start <= capacity && (capacity - start) / sizeof(SortEntry) >= order.count) {
        order.entries = reinterpret_cast<SortEntry*>(arena.at(start));
    } else {
        order.own.resize(order.count);
        order.entries = order.own.data();
    }
    for (std::size_t g = 0; g < order.count; ++g)
        new (&order.entries[g]) SortEntry{{}, static_cast<std::uint32_t>(g)};
    return order;
}

// foldCompare's key is the folded word itself: compared in place, without
// a copy.
void sortFolded(const SortInput& in, SortOrder& order) {
    for (SortEntry& entry : order) {
        const char* word = in.word(entry);
        unsigned char folded[4 * kPrefixParts] = {};
        for (std::size_t i = 0; i < sizeof folded && word[i] != '\0'; ++i) {
            const char c = word[i];
            folded[i] = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
        }
        setPrefix(entry, folded, sizeof folded);
    }
    std::sort(order.begin(), order.end(), [&in](const SortEntry& a, const SortEntry& b) {
        countComparison();
        if (int prefix = comparePrefixes(a, b))
            return prefix < 0;
        if (int folded = foldCompare(in.word(a), in.word(b)))
            return folded < 0;
        return in.byteLess(a, b);
    });
}

// Every group's sort key is made once and kept in one arena; comparing
// keys byte by byte gives the collation's order.
void sortByKeys(const SortInput& in, SortOrder& order, SortKeyFunction sortKey) {
    std::vector<unsigned char> arena;
    std::vector<std::uint32_t> offsets;  // per group number, and one for the end
    offsets.reserve(order.size() + 1);
    offsets.push_back(0);
    for (SortEntry& entry : order) {
        const std::string key = sortKey(in.word(entry));
        if (key.size() > 0xFFFFFFFFu - arena.size())
            throw std::bad_alloc();
        setPrefix(entry, reinterpret_cast<const unsigned char*>(key.data()), key.size());
        arena.insert(arena.end(), key.begin(), key.end());
        offsets.push_back(static_cast<std::uint32_t>(arena.size()));
    }
    std::sort(order.begin(), order.end(), [&](const SortEntry& a, const SortEntry& b) {
        countComparison();
        if (int prefix = comparePrefixes(a, b))
            return prefix < 0;
        const std::size_t lengthA = offsets[a.group + 1] - offsets[a.group];
        const std::size_t lengthB = offsets[b.group + 1] - offsets[b.group];
        const std::size_t common = std::min(lengthA, lengthB);
        if (int keys = common ? std::memcmp(&arena[offsets[a.group]], &arena[offsets[b.group]], common) : 0)
            return keys < 0;
        if (lengthA != lengthB)
            return lengthA < lengthB;
        return in.byteLess(a, b);
    });
}

}  // namespace

SortOrder sortGroups(MergedGroups& groups, SortKeyFunction sortKey) {
    SortOrder order = placeOrder(groups);
    const SortInput in{groups};
    if (sortKey == kFoldInPlace)
        sortFolded(in, order);
    else
        sortByKeys(in, order, sortKey);
    return order;
}

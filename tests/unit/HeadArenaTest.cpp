// The arena that packs the word-list builder's group heads: how its block
// grows, and the limit of its 32-bit offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "wordlist/GroupMerge.h"

namespace {

constexpr std::size_t kLimit = 0xFFFFFFFFu;

struct GrowthCase {
    const char* what;
    std::size_t records, used, bytes;
    std::optional<std::size_t> wanted;  // none: refused
};

TEST(HeadArenaTest, BlockSizeForANewHeadUpToTheOffsetLimit) {
    static_assert(sizeof(std::size_t) == 8, "the rows past 4 GiB need a 64-bit host");
    const GrowthCase cases[] = {
        {"empty block", 0, 0, 10, 1},
        {"head ends at the block's end", 2, 100, 68, 2},
        {"one byte more doubles the block", 2, 100, 69, 4},
        {"more than double, rounded up to records", 1, 80, 200, 4},
        {"head ends at the limit", 0, kLimit - 84, 84, 51130564},  // ceil(kLimit / 84)
        {"head ends one byte past the limit", 0, kLimit - 83, 84, std::nullopt},
        {"full arena", 51130564, kLimit, 1, std::nullopt},
        {"sum would wrap", 0, 1, SIZE_MAX, std::nullopt},
        {"head alone past the limit", 0, 0, kLimit + 1, std::nullopt},
        {"block may double past the limit", 40000000, 3000000000u, 1000000000u, 80000000},
    };
    for (const GrowthCase& c : cases)
        EXPECT_EQ(arenaRecordsFor(c.records, c.used, c.bytes), c.wanted) << c.what;
}

TEST(HeadArenaTest, AHeadPastTheLimitLeavesTheArenaAsItWas) {
    HeadArena arena;
    ASSERT_TRUE(arena.block.resize(1));
    arena.used = kLimit - 10;  // only the count: nothing at such offsets is touched
    EXPECT_THROW(appendHead(arena, 11), std::bad_alloc);
    EXPECT_EQ(arena.used, kLimit - 10);
    EXPECT_EQ(arena.block.size(), 1u);
}

TEST(HeadArenaTest, HeadsFollowOneAnotherAndGrowingKeepsThem) {
    HeadArena arena;
    const std::size_t sizes[] = {50, 34, 1, 200, 84, 7};
    std::vector<std::uint32_t> offsets;
    std::size_t end = 0;
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const std::uint32_t offset = appendHead(arena, sizes[i]);
        EXPECT_EQ(offset, end);
        end += sizes[i];
        ASSERT_GE(arena.block.size() * sizeof(WordRecord), end);
        std::memset(arena.at(offset), static_cast<int>('a' + i), sizes[i]);
        offsets.push_back(offset);
    }
    for (std::size_t i = 0; i < std::size(sizes); ++i)
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(arena.at(offsets[i])), sizes[i]),
                  std::string(sizes[i], static_cast<char>('a' + i)));
}

}  // namespace

// The byte layout shared by the payload's writer and reader (see
// payload/Payload.h for the whole format): little-endian integers, the
// trailer, the index entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "payload/Payload.h"

constexpr std::size_t kTrailerSize = 72;
constexpr std::size_t kDigestOffset = 32;  // in the trailer: what the hash covers ends here
constexpr char kPayloadMagic[9] = "DICTPAY\x1A";
constexpr std::size_t kIndexEntryFixed = 1 + 4 + 8 + 8 + 8 + 8 + 2;  // before the path
constexpr std::size_t kCopyBuffer = 1 << 16;

inline void putLE(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::uint64_t getLE(const unsigned char* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

// A bounded reader over a byte string: every get fails once the bytes end.
struct ByteCursor {
    const std::string& bytes;
    std::size_t at = 0;
    bool ok = true;

    std::uint64_t get(int count) {
        if (!ok || bytes.size() - at < static_cast<std::size_t>(count)) {
            ok = false;
            return 0;
        }
        const std::uint64_t value = getLE(reinterpret_cast<const unsigned char*>(bytes.data()) + at, count);
        at += count;
        return value;
    }
    std::string take(std::size_t count) {
        if (!ok || bytes.size() - at < count) {
            ok = false;
            return {};
        }
        at += count;
        return bytes.substr(at - count, count);
    }
};

// The fields of the trailer before its digest and magic.
struct TrailerFields {
    std::uint64_t payloadSize = 0, indexOffset = 0, indexSize = 0;
    std::uint32_t entryCount = 0, version = 0;
};

std::string encodeTrailerFields(const TrailerFields& fields);
std::string encodeIndexEntry(const PayloadEntry& entry);

// Why an entry may not join an index that holds the given folders and
// names (folded): "" when it may. Adds it to them when it may.
std::string admitEntry(const PayloadEntry& entry, std::set<std::string>& folders, std::set<std::string>& names);

// A program file as far as its PE headers go, for the payload's tests: no
// code, but headers that describe its image, and a certificate table put
// where a signing tool puts it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fake {

inline void put(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

constexpr std::size_t kOptionalHeader = 0x98;

}  // namespace fake

// Headers of 0x200 bytes and one section of 0x200 bytes, PE32 (x86) or
// PE32+ (x64).
inline std::string fakeProgram(bool pe32Plus) {
    using fake::put;
    const std::size_t optional = fake::kOptionalHeader;
    std::string bytes(0x400, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    put(bytes, 0x3C, 0x80, 4);
    bytes.replace(0x80, 4, std::string("PE\0\0", 4));
    put(bytes, 0x84, pe32Plus ? 0x8664 : 0x14C, 2);
    put(bytes, 0x86, 1, 2);
    const std::uint32_t optionalSize = pe32Plus ? 240 : 224;
    put(bytes, 0x94, optionalSize, 2);
    put(bytes, optional, pe32Plus ? 0x20B : 0x10B, 2);
    put(bytes, optional + 60, 0x200, 4);
    put(bytes, optional + (pe32Plus ? 108 : 92), 16, 4);
    put(bytes, optional + optionalSize + 16, 0x200, 4);
    put(bytes, optional + optionalSize + 20, 0x200, 4);
    return bytes;
}

// The file with a certificate table of that size appended and named by
// its security directory, as a signing tool leaves it.
inline std::string signedCopy(std::string bytes, std::size_t tableSize = 0x100) {
    const bool pe32Plus = bytes[fake::kOptionalHeader + 1] == 0x02;
    const std::size_t entry = fake::kOptionalHeader + (pe32Plus ? 112 : 96) + 32;
    fake::put(bytes, entry, static_cast<std::uint32_t>(bytes.size()), 4);
    fake::put(bytes, entry + 4, static_cast<std::uint32_t>(tableSize), 4);
    return bytes + std::string(tableSize, '\x30');
}

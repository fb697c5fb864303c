// The setup file's payload reader over arbitrary bytes. The first byte
// chooses how the rest becomes a setup file:
//   bit 0 set: the rest is the whole file, headers and trailer as given;
//   else a program image of its own comes first (bit 1: 64-bit), then the
//   payload: u32 index offset, u32 entry count, then data and index, padded,
//   with a trailer whose digest holds (bit 3: one byte of it changed), and
//   with bit 2 a certificate table after it, as a signing tool leaves it.
// What it accepts is judged by rules of its own: every path a plain
// relative name, every folder before what it holds, no name twice, the
// files' streams one after another, the digest the one over the bytes;
// and what it extracts lies in the folder it extracts into, and nowhere else.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "payload/Payload.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/FakeProgram.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTrailer = 72;
constexpr std::uint64_t kMaxExtracted = 1u << 20;  // larger payloads are checked, not extracted

std::uint64_t le(const std::string& bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

void putLe(std::string& out, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i)
        out += static_cast<char>(value >> (8 * i));
}

std::string digestOf(const std::string& bytes) {
    Sha256Ptr hash = startSha256();
    Sha256Digest digest{};
    FUZZ_CHECK(hash && addSha256(*hash, bytes.data(), bytes.size()) && finishSha256(*hash, digest));
    return std::string(reinterpret_cast<const char*>(digest.data()), digest.size());
}

// A program image, then the payload the input describes.
std::string setupFile(unsigned mode, const std::string& rest) {
    std::string file = fakeProgram(mode & 2);
    const std::uint64_t indexOffset = rest.size() >= 8 ? le(rest, 0, 4) : 0;
    const std::uint32_t entries = rest.size() >= 8 ? static_cast<std::uint32_t>(le(rest, 4, 4)) : 0;
    std::string body = rest.size() >= 8 ? rest.substr(8) : std::string();
    const std::uint64_t indexSize = indexOffset <= body.size() ? body.size() - indexOffset : 0;
    body.append((8 - (body.size() + kTrailer) % 8) % 8, '\0');
    std::string trailer;
    putLe(trailer, body.size() + kTrailer, 8);
    putLe(trailer, indexOffset, 8);
    putLe(trailer, indexSize, 8);
    putLe(trailer, entries, 4);
    putLe(trailer, 1, 4);
    std::string digest = digestOf(body + trailer);
    if (mode & 8)
        digest[0] ^= 1;
    file += body + trailer + digest + std::string("DICTPAY\x1A", 8);
    return mode & 4 ? signedCopy(file) : file;
}

bool reservedDevice(std::string base) {
    base = base.substr(0, base.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    for (char& c : base)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    if (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)
        return false;
    const std::string digit = base.substr(3);
    return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// A path Windows and POSIX read alike, inside any folder it is put under.
bool plainPath(const std::string& path) {
    if (path.empty() || path.size() > 1024)
        return false;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ' ||
            reservedDevice(part))
            return false;
        for (unsigned char c : part)
            if (c < 32 || std::strchr("\\:*?\"<>|", c))
                return false;
        if (end == path.size())
            return true;
        at = end + 1;
    }
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return text;
}

void checkAccepted(const std::string& file, const PayloadReader& reader) {
    const PayloadLocation& at = reader.location;
    FUZZ_CHECK(at.start >= 0x40 && at.size >= kTrailer && at.start + at.size <= file.size());
    const std::size_t trailer = static_cast<std::size_t>(at.start + at.size - kTrailer);
    FUZZ_CHECK(file.compare(trailer + 64, 8, "DICTPAY\x1A", 8) == 0);
    FUZZ_CHECK(digestOf(file.substr(static_cast<std::size_t>(at.start), trailer + 32 - at.start)) ==
               file.substr(trailer + 32, 32));
    FUZZ_CHECK(reader.entries.size() == le(file, trailer + 24, 4));
    std::set<std::string> folders, names;
    std::uint64_t next = 0;
    for (const PayloadEntry& entry : reader.entries) {
        FUZZ_CHECK(plainPath(entry.path));
        const std::size_t slash = entry.path.rfind('/');
        FUZZ_CHECK(slash == std::string::npos || folders.count(lowered(entry.path.substr(0, slash))));
        FUZZ_CHECK(names.insert(lowered(entry.path)).second);
        if (entry.isFolder) {
            folders.insert(lowered(entry.path));
            continue;
        }
        FUZZ_CHECK(entry.dataOffset == next && entry.dataSize > 0);
        next += entry.dataSize;
    }
    FUZZ_CHECK(next == le(file, trailer + 8, 8));
}

// Everything under out is an entry of the payload, a file of its size
// when the extraction ended well, and nothing was made beside out.
void checkExtracted(const PayloadReader& reader, PayloadFault fault) {
    std::set<std::string> expected;
    for (const PayloadEntry& entry : reader.entries)
        expected.insert(entry.path);
    std::size_t found = 0;
    for (const auto& item : fs::recursive_directory_iterator("out")) {
        const std::string path = fs::relative(item.path(), "out").generic_string();
        FUZZ_CHECK(expected.count(path) == 1 && !item.is_symlink());
        ++found;
    }
    for (const auto& item : fs::directory_iterator("."))
        FUZZ_CHECK(item.path().filename() == "out" || item.path().filename() == "setup.exe" ||
                   item.path().filename() == "language");
    if (fault != PayloadFault::None)
        return;
    FUZZ_CHECK(found == expected.size());
    for (const PayloadEntry& entry : reader.entries)
        FUZZ_CHECK(entry.isFolder ? fs::is_directory("out/" + entry.path)
                                  : fs::file_size("out/" + entry.path) == entry.size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    ScratchFolder scratch;
    ScratchFolder::clear();
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string file = data[0] & 1 ? rest : setupFile(data[0], rest);
    writeWholeFile("setup.exe", reinterpret_cast<const std::uint8_t*>(file.data()), file.size());

    PayloadReader reader;
    if (openPayload("setup.exe", reader) != PayloadFault::None)
        return 0;
    checkAccepted(file, reader);
    std::uint64_t total = 0;
    for (const PayloadEntry& entry : reader.entries)
        total += entry.size;
    if (total > kMaxExtracted)
        return 0;
    fs::create_directory("out");
    checkExtracted(reader, extractPayload(reader, "out"));
    return 0;
}

// Where a payload lies in a program file: the PE headers read for the end
// of the image and the certificate table, then the trailer found before
// the table or at the end of the file.
#include <algorithm>
#include <cstring>

#include "payload/PayloadFormat.h"

namespace {

constexpr std::uint16_t kPe32 = 0x10B, kPe32Plus = 0x20B;
constexpr std::uint32_t kMaxOptionalHeader = 0x1000;
constexpr std::uint32_t kMaxSections = 96;  // the loader's own limit
constexpr std::uint32_t kSymbolSize = 18;
constexpr int kSecurityDirectory = 4;

std::uint64_t field(const unsigned char* bytes, std::size_t at, int count) {
    return getLE(bytes + at, count);
}

// The end of the COFF symbol table and its string table, which unstripped
// programs keep after their sections; 0 when there is none.
std::uint64_t symbolsEnd(const ReadAt& read, std::uint64_t table, std::uint64_t count) {
    if (table == 0 || count == 0)
        return 0;
    const std::uint64_t strings = table + count * kSymbolSize;
    unsigned char size[4];
    if (!read(strings, size, sizeof size))
        return strings + sizeof size;  // beyond the file: it is cut short
    return strings + std::max<std::uint64_t>(getLE(size, 4), sizeof size);
}

}  // namespace

ReadAt fileReader(std::FILE* file) {
    return [file](std::uint64_t offset, void* bytes, std::size_t count) {
        return offset <= kMaxSetupSize && std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
               readItems(bytes, 1, count, file);
    };
}

ReadAt memoryReader(const std::string& bytes) {
    return [&bytes](std::uint64_t offset, void* out, std::size_t count) {
        if (offset > bytes.size() || count > bytes.size() - offset)
            return false;
        std::memcpy(out, bytes.data() + offset, count);
        return true;
    };
}

PayloadFault readProgramImage(const ReadAt& read, std::uint64_t fileSize, ProgramImage& image) {
    image = ProgramImage{};
    image.fileSize = fileSize;
    unsigned char dos[64];
    if (fileSize < sizeof dos || !read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return PayloadFault::NotProgram;
    const std::uint64_t pe = field(dos, 0x3C, 4);
    unsigned char header[24];
    if (!read(pe, header, sizeof header) || std::memcmp(header, "PE\0\0", 4) != 0)
        return PayloadFault::NotProgram;
    image.machine = static_cast<std::uint16_t>(field(header, 4, 2));
    const std::uint32_t sections = static_cast<std::uint32_t>(field(header, 6, 2));
    const std::uint32_t optionalSize = static_cast<std::uint32_t>(field(header, 20, 2));
    if (sections > kMaxSections || optionalSize < 64 || optionalSize > kMaxOptionalHeader)
        return PayloadFault::NotProgram;

    const std::uint64_t optionalAt = pe + sizeof header;
    unsigned char optional[kMaxOptionalHeader];
    if (!read(optionalAt, optional, optionalSize))
        return PayloadFault::NotProgram;
    const std::uint16_t magic = static_cast<std::uint16_t>(field(optional, 0, 2));
    if (magic != kPe32 && magic != kPe32Plus)
        return PayloadFault::NotProgram;
    image.pe32Plus = magic == kPe32Plus;
    const std::uint32_t countAt = image.pe32Plus ? 108 : 92;
    const std::uint32_t directoriesAt = countAt + 4;
    const std::uint32_t securityAt = directoriesAt + 8 * kSecurityDirectory;
    if (optionalSize >= securityAt + 8 && field(optional, countAt, 4) > kSecurityDirectory) {
        image.securityEntry = optionalAt + securityAt;
        image.certificates = field(optional, securityAt, 4);
        image.certificatesSize = field(optional, securityAt + 4, 4);
    }

    image.imageEnd = field(optional, 60, 4);  // SizeOfHeaders
    std::vector<unsigned char> table(static_cast<std::size_t>(sections) * 40);
    if (!table.empty() && !read(optionalAt + optionalSize, table.data(), table.size()))
        return PayloadFault::Damaged;
    for (std::uint32_t i = 0; i < sections; ++i) {
        const std::uint64_t rawSize = field(table.data(), i * 40 + 16, 4);
        const std::uint64_t rawAt = field(table.data(), i * 40 + 20, 4);
        if (rawSize > 0)
            image.imageEnd = std::max(image.imageEnd, rawAt + rawSize);
    }
    image.imageEnd = std::max(image.imageEnd, symbolsEnd(read, field(header, 12, 4), field(header, 16, 4)));
    return PayloadFault::None;
}

PayloadFault findPayload(const ReadAt& read, std::uint64_t fileSize, PayloadLocation& location) {
    location = PayloadLocation{};
    if (fileSize > kMaxSetupSize)
        return PayloadFault::TooLarge;
    ProgramImage& image = location.image;
    const PayloadFault fault = readProgramImage(read, fileSize, image);
    if (fault != PayloadFault::None)
        return fault;
    std::uint64_t end = fileSize;
    if (image.certificates != 0 || image.certificatesSize != 0) {
        // The table ends the file: what is cut off, or added after it, is
        // damage (a payload put in after signing is never read).
        if (image.certificates < image.imageEnd || image.certificates > fileSize ||
            image.certificatesSize != fileSize - image.certificates)
            return PayloadFault::Damaged;
        end = image.certificates;
        location.beforeSignature = true;
    }
    if (end < image.imageEnd)
        return PayloadFault::Damaged;
    if (end == image.imageEnd)
        return PayloadFault::NoPayload;

    // The trailer ends the payload; a signing tool may have put up to 7
    // zero bytes after it, to align the certificate table.
    const std::uint64_t extra = end - image.imageEnd;
    const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(extra, kTrailerSize + 7));
    std::string tail(tailSize, '\0');
    if (!read(end - tailSize, &tail[0], tailSize))
        return PayloadFault::CannotRead;
    std::size_t trailerEnd = tailSize;
    while (trailerEnd > 0 && tailSize - trailerEnd < 7 && tail[trailerEnd - 1] == '\0')
        --trailerEnd;
    if (trailerEnd < kTrailerSize || tail.compare(trailerEnd - 8, 8, kPayloadMagic, 8) != 0)
        return extra < 8 && trailerEnd == 0 ? PayloadFault::NoPayload : PayloadFault::Damaged;

    ByteCursor trailer{tail, trailerEnd - kTrailerSize};
    const std::uint64_t payloadSize = trailer.get(8);
    location.indexOffset = trailer.get(8);
    location.indexSize = trailer.get(8);
    location.entryCount = static_cast<std::uint32_t>(trailer.get(4));
    const std::uint32_t version = static_cast<std::uint32_t>(trailer.get(4));
    const std::string digest = trailer.take(location.digest.size());
    std::copy(digest.begin(), digest.end(), location.digest.begin());

    const std::uint64_t payloadEnd = end - (tailSize - trailerEnd);
    location.start = image.imageEnd;
    location.size = payloadSize;
    const std::uint64_t body = payloadSize - kTrailerSize;  // data, index and padding
    if (version != kPayloadVersion || payloadSize != payloadEnd - image.imageEnd || payloadSize < kTrailerSize ||
        location.indexOffset > body || location.indexSize > body - location.indexOffset ||
        body - location.indexOffset - location.indexSize > 7 || location.indexSize > kMaxIndexSize ||
        location.entryCount > location.indexSize / kIndexEntryFixed)
        return PayloadFault::Damaged;
    return PayloadFault::None;
}

// The installer's side of the payload: the setup file opened once, its
// SHA-256 checked, its index read under the rules of the writer, and its
// files inflated into a folder, every size bounded by what the index says.
#include <zlib.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "payload/PayloadFormat.h"

namespace {

// An inflate stream, ended when the holder goes.
struct Inflater {
    z_stream stream{};
    bool ready = inflateInit(&stream) == Z_OK;
    Inflater() = default;
    ~Inflater() {
        if (ready)
            inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

bool seekTo(std::FILE* file, std::uint64_t offset) {
    return offset <= kMaxSetupSize && std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

PayloadFault checkDigest(PayloadReader& reader) {
    const PayloadLocation& at = reader.location;
    Sha256Ptr hash = startSha256();
    if (!hash || !seekTo(reader.file.get(), at.start))
        return PayloadFault::CannotRead;
    std::vector<char> buffer(kCopyBuffer);
    for (std::uint64_t left = at.size - kTrailerSize + kDigestOffset; left > 0;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (!readItems(buffer.data(), 1, count, reader.file.get()) || !addSha256(*hash, buffer.data(), count))
            return PayloadFault::CannotRead;
        left -= count;
    }
    Sha256Digest digest{};
    if (!finishSha256(*hash, digest))
        return PayloadFault::CannotRead;
    return digest == at.digest ? PayloadFault::None : PayloadFault::Damaged;
}

PayloadFault readIndex(PayloadReader& reader) {
    const PayloadLocation& at = reader.location;
    std::string bytes(static_cast<std::size_t>(at.indexSize), '\0');
    if (!seekTo(reader.file.get(), at.start + at.indexOffset) ||
        (!bytes.empty() && !readItems(&bytes[0], 1, bytes.size(), reader.file.get())))
        return PayloadFault::CannotRead;
    ByteCursor cursor{bytes};
    std::set<std::string> folders, names;
    std::uint64_t dataEnd = 0, unpacked = 0;
    for (std::uint32_t i = 0; i < at.entryCount; ++i) {
        PayloadEntry entry;
        const std::uint64_t kind = cursor.get(1);
        entry.isFolder = kind == 1;
        entry.attributes = static_cast<std::uint32_t>(cursor.get(4));
        entry.modified = static_cast<std::int64_t>(cursor.get(8));
        entry.size = cursor.get(8);
        entry.dataOffset = cursor.get(8);
        entry.dataSize = cursor.get(8);
        entry.path = cursor.take(static_cast<std::size_t>(cursor.get(2)));
        if (!cursor.ok || kind > 1)
            return PayloadFault::Damaged;
        reader.detail = entry.path;
        if (!admitEntry(entry, folders, names).empty())
            return PayloadFault::Damaged;
        // The files' streams follow one another from the payload's start.
        if (entry.isFolder ? entry.dataOffset != 0
                           : entry.dataOffset != dataEnd || entry.dataSize == 0 ||
                                 entry.dataSize > at.indexOffset - dataEnd)
            return PayloadFault::Damaged;
        dataEnd += entry.dataSize;
        if (entry.size > kMaxUnpackedSize - unpacked)
            return PayloadFault::TooLarge;
        unpacked += entry.size;
        reader.entries.push_back(std::move(entry));
    }
    reader.detail.clear();
    return cursor.at == bytes.size() && dataEnd == at.indexOffset ? PayloadFault::None : PayloadFault::Damaged;
}

// Inflates one file's stream into sink, which gets at most entry.size bytes
// in all; the stream must end exactly with its data and give exactly that.
PayloadFault inflateEntry(PayloadReader& reader, const PayloadEntry& entry,
                          const std::function<bool(const char*, std::size_t)>& sink) {
    Inflater inflater;
    if (!inflater.ready || !seekTo(reader.file.get(), reader.location.start + entry.dataOffset))
        return PayloadFault::CannotRead;
    std::vector<unsigned char> in(kCopyBuffer), out(kCopyBuffer);
    z_stream& z = inflater.stream;
    std::uint64_t left = entry.dataSize, produced = 0;
    for (;;) {
        if (z.avail_in == 0 && left > 0) {
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, in.size()));
            if (!readItems(in.data(), 1, count, reader.file.get()))
                return PayloadFault::CannotRead;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(count);
            left -= count;
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        const int result = inflate(&z, Z_NO_FLUSH);
        const std::size_t count = out.size() - z.avail_out;
        if (count > entry.size - produced)
            return PayloadFault::Damaged;
        produced += count;
        if (count > 0 && !sink(reinterpret_cast<const char*>(out.data()), count))
            return PayloadFault::CannotWrite;
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK && !(result == Z_BUF_ERROR && z.avail_in == 0 && left > 0))
            return PayloadFault::Damaged;
    }
    return left == 0 && z.avail_in == 0 && produced == entry.size ? PayloadFault::None : PayloadFault::Damaged;
}

PayloadFault extractFile(PayloadReader& reader, const PayloadEntry& entry, const std::string& path) {
    FilePtr out = createNewFile(path);
    if (!out)
        return PayloadFault::CannotWrite;
    std::FILE* file = out.get();
    const PayloadFault fault = inflateEntry(reader, entry, [file](const char* bytes, std::size_t count) {
        return writeItems(bytes, 1, count, file);
    });
    if (fault != PayloadFault::None)
        return fault;
    if (!closeWritten(out) || !finishEntry(path, entry.attributes, entry.modified))
        return PayloadFault::CannotWrite;
    return PayloadFault::None;
}

}  // namespace

PayloadFault openPayload(const std::string& path, PayloadReader& reader) {
    return openPayloadFile(openReadOnly(path), reader);
}

PayloadFault openPayloadFile(FilePtr file, PayloadReader& reader) {
    reader.entries.clear();
    reader.detail.clear();
    reader.file = std::move(file);
    if (!reader.file)
        return PayloadFault::CannotRead;
    const long size = fileSize(reader.file.get());
    if (size < 0)
        return PayloadFault::CannotRead;
    PayloadFault fault = findPayload(fileReader(reader.file.get()), static_cast<std::uint64_t>(size), reader.location);
    if (fault == PayloadFault::None)
        fault = checkDigest(reader);
    if (fault == PayloadFault::None)
        fault = readIndex(reader);
    return fault;
}

PayloadFault extractPayload(PayloadReader& reader, const std::string& folder) {
    for (const PayloadEntry& entry : reader.entries) {
        reader.detail = entry.path;
        const std::string path = joinEntryPath(folder, entry.path);
        PayloadFault fault = PayloadFault::None;
        if (!entry.isFolder)
            fault = extractFile(reader, entry, path);
        else if (!makeNewFolder(path) || !finishEntry(path, entry.attributes, 0))
            fault = PayloadFault::CannotWrite;
        if (fault != PayloadFault::None)
            return fault;
    }
    reader.detail.clear();
    return PayloadFault::None;
}

PayloadFault readPayloadFile(PayloadReader& reader, const PayloadEntry& entry, std::size_t limit,
                             std::string& bytes) {
    bytes.clear();
    reader.detail = entry.path;
    if (entry.isFolder || entry.size > limit)
        return PayloadFault::TooLarge;
    bytes.reserve(static_cast<std::size_t>(entry.size));
    return inflateEntry(reader, entry, [&bytes](const char* data, std::size_t count) {
        bytes.append(data, count);
        return true;
    });
}

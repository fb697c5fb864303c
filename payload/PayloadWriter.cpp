// The publishers' side of the payload: each file deflated after the
// program image, then the index and the trailer, hashed as they go.
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "payload/PayloadFormat.h"

namespace {

// A deflate stream, ended when the holder goes.
struct Deflater {
    z_stream stream{};
    bool ready = deflateInit(&stream, Z_BEST_COMPRESSION) == Z_OK;
    Deflater() = default;
    ~Deflater() {
        if (ready)
            deflateEnd(&stream);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
};

// Bytes of the payload, hashed unless they are the trailer's digest and
// magic; the setup file, trailer included, stays under its bound.
PayloadFault put(PayloadWriter& writer, const void* bytes, std::size_t count, bool hashed = true) {
    if (count > kMaxSetupSize || writer.imageSize + writer.written + count > kMaxSetupSize)
        return PayloadFault::TooLarge;
    if (!writeItems(bytes, 1, count, writer.out) || (hashed && !addSha256(*writer.hash, bytes, count)))
        return PayloadFault::CannotWrite;
    writer.written += count;
    return PayloadFault::None;
}

PayloadFault admit(PayloadWriter& writer, const PayloadEntry& entry) {
    const std::string why = admitEntry(entry, writer.folders, writer.names);
    if (why.empty())
        return PayloadFault::None;
    writer.detail = entry.path + ": " + why;
    return PayloadFault::BadEntry;
}

PayloadFault deflateFile(PayloadWriter& writer, std::FILE* data, std::uint64_t size) {
    Deflater deflater;
    if (!deflater.ready)
        return PayloadFault::CannotWrite;
    z_stream& z = deflater.stream;
    std::vector<unsigned char> in(kCopyBuffer), out(kCopyBuffer);
    for (std::uint64_t left = size;;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, in.size()));
        if (!readItems(in.data(), 1, count, data))
            return PayloadFault::CannotRead;
        left -= count;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(count);
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            if (deflate(&z, flush) == Z_STREAM_ERROR)
                return PayloadFault::CannotWrite;
            const PayloadFault fault = put(writer, out.data(), out.size() - z.avail_out);
            if (fault != PayloadFault::None)
                return fault;
        } while (z.avail_out == 0);
        if (flush == Z_FINISH)
            return PayloadFault::None;
    }
}

}  // namespace

PayloadFault startPayload(PayloadWriter& writer, std::FILE* out, std::uint64_t imageSize) {
    writer = PayloadWriter{};
    writer.out = out;
    writer.imageSize = imageSize;
    writer.hash = startSha256();
    if (imageSize > kMaxSetupSize)
        return PayloadFault::TooLarge;
    return writer.hash ? PayloadFault::None : PayloadFault::CannotWrite;
}

PayloadFault addPayloadFolder(PayloadWriter& writer, PayloadEntry entry) {
    entry.isFolder = true;
    entry.size = entry.dataOffset = entry.dataSize = 0;
    const PayloadFault fault = admit(writer, entry);
    if (fault == PayloadFault::None)
        writer.entries.push_back(std::move(entry));
    return fault;
}

PayloadFault addPayloadFile(PayloadWriter& writer, PayloadEntry entry, std::FILE* data) {
    entry.isFolder = false;
    entry.dataOffset = entry.dataSize = 0;
    PayloadFault fault = admit(writer, entry);
    if (fault != PayloadFault::None)
        return fault;
    writer.detail = entry.path;
    const long size = fileSize(data);
    if (size < 0)
        return PayloadFault::CannotRead;
    entry.size = static_cast<std::uint64_t>(size);
    if (entry.size > kMaxUnpackedSize - writer.unpacked)
        return PayloadFault::TooLarge;
    writer.unpacked += entry.size;
    entry.dataOffset = writer.written;
    fault = deflateFile(writer, data, entry.size);
    if (fault != PayloadFault::None)
        return fault;
    entry.dataSize = writer.written - entry.dataOffset;
    writer.entries.push_back(std::move(entry));
    writer.detail.clear();
    return PayloadFault::None;
}

PayloadFault finishPayload(PayloadWriter& writer) {
    TrailerFields fields;
    fields.indexOffset = writer.written;
    fields.entryCount = static_cast<std::uint32_t>(writer.entries.size());
    fields.version = kPayloadVersion;
    std::string index;
    for (const PayloadEntry& entry : writer.entries)
        index += encodeIndexEntry(entry);
    fields.indexSize = index.size();
    if (fields.indexSize > kMaxIndexSize)
        return PayloadFault::TooLarge;
    // Zero bytes so that the payload, and an unsigned file, end on a
    // multiple of 8: a signing tool then puts its table right after it.
    const std::uint64_t unpadded = writer.imageSize + writer.written + index.size() + kTrailerSize;
    index.append(static_cast<std::size_t>((8 - unpadded % 8) % 8), '\0');
    fields.payloadSize = writer.written + index.size() + kTrailerSize;

    const std::string head = index + encodeTrailerFields(fields);
    Sha256Digest digest{};
    PayloadFault fault = put(writer, head.data(), head.size());
    if (fault != PayloadFault::None)
        return fault;
    if (!finishSha256(*writer.hash, digest))
        return PayloadFault::CannotWrite;
    fault = put(writer, digest.data(), digest.size(), false);
    return fault != PayloadFault::None ? fault : put(writer, kPayloadMagic, 8, false);
}

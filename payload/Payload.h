// The setup file's payload: a distribution folder carried inside one program
// file, after the installer's own image, and read back at the installer's
// start.
//
// Layout of a setup file (integers little-endian, offsets from the payload's
// first byte):
//
//   the installer's image        headers, sections and any symbol table
//   data                         each file's bytes as one zlib stream, in index order
//   index                        per entry: kind u8 (0 file, 1 folder), attributes u32,
//                                modified i64, size u64, dataOffset u64, dataSize u64,
//                                pathLength u16, path
//   padding                      0 to 7 zero bytes: the payload ends on a multiple of 8
//   trailer (72 bytes)           payloadSize u64, indexOffset u64, indexSize u64,
//                                entryCount u32, version u32, SHA-256 [32], magic [8]
//   certificate table            only in a signed file: the signature covers all above
//
// The SHA-256 is taken over the payload from its first byte up to the
// trailer's digest. A signed file keeps its payload right before the
// certificate table that the security directory of its PE header names,
// and that table ends the file. The setup file stays under 2 GiB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/FileLayer.h"
#include "payload/PayloadSeams.h"

// What went wrong, for the caller's message.
enum class PayloadFault {
    None,
    NoPayload,    // a program that carries none: the plain installer
    NotProgram,   // no Windows program (no PE headers that hold together)
    Damaged,      // cut short, changed, or holding what no writer writes
    CannotRead,   // the file cannot be opened or read
    CannotWrite,  // a folder or file cannot be made or written
    TooLarge,     // the setup file would reach 2 GiB, or the index or the files their bound
    BadEntry,     // the writer refuses an entry's path (see validEntryPath) or its order
};

// A sentence for each fault, without the detail.
const char* payloadFaultText(PayloadFault fault);

// Bounds, each checked before anything of that size is read, made or written.
constexpr std::uint64_t kMaxSetupSize = 0x7FFFFFFF;             // the whole setup file
constexpr std::uint64_t kMaxUnpackedSize = 16ULL << 30;         // all files unpacked together
constexpr std::uint64_t kMaxIndexSize = 32u << 20;              // the index's bytes
constexpr std::size_t kMaxEntryPath = 1024;                     // an entry's path, in bytes
constexpr std::uint32_t kPayloadVersion = 1;

// Windows file attributes the index keeps (their Windows values).
constexpr std::uint32_t kAttributeReadOnly = 0x1, kAttributeHidden = 0x2, kAttributeSystem = 0x4;

// One file or folder of the payload.
struct PayloadEntry {
    std::string path;  // relative, names joined by "/", UTF-8
    bool isFolder = false;
    std::uint32_t attributes = 0;  // read-only, hidden, system
    std::int64_t modified = 0;     // last write, in 100 ns since 1601 (UTC); 0 when unknown
    std::uint64_t size = 0;        // a file's bytes
    std::uint64_t dataOffset = 0, dataSize = 0;  // its zlib stream, from the payload's start
};

// Reads count bytes at a file offset; false when they are not all there.
using ReadAt = std::function<bool(std::uint64_t offset, void* bytes, std::size_t count)>;

// What the PE headers of a program file say.
struct ProgramImage {
    std::uint64_t fileSize = 0;
    std::uint16_t machine = 0;  // 0x14c x86, 0x8664 x64
    bool pe32Plus = false;
    std::uint64_t imageEnd = 0;       // end of the headers, sections and COFF symbols
    std::uint64_t securityEntry = 0;  // file offset of data directory 4 (IMAGE_DIRECTORY_ENTRY_SECURITY)
    std::uint64_t certificates = 0, certificatesSize = 0;  // the certificate table; 0, 0 when unsigned
};

struct PayloadLocation {
    ProgramImage image;
    std::uint64_t start = 0, size = 0;  // file offset and length, trailer included
    std::uint64_t indexOffset = 0, indexSize = 0;
    std::uint32_t entryCount = 0;
    bool beforeSignature = false;  // found right before a certificate table
    Sha256Digest digest{};
};

// --- finding ---

PayloadFault readProgramImage(const ReadAt& read, std::uint64_t fileSize, ProgramImage& image);

// Where the payload lies: before the certificate table in a signed file,
// at the end of an unsigned one. NoPayload for a program whose file ends
// with its image (and signature); Damaged for one with other bytes after it,
// a certificate table that does not end the file, or a trailer that does not
// hold together. Nothing is hashed here.
PayloadFault findPayload(const ReadAt& read, std::uint64_t fileSize, PayloadLocation& location);

// A ReadAt over an open file, and one over bytes in memory (which must
// outlive it).
ReadAt fileReader(std::FILE* file);
ReadAt memoryReader(const std::string& bytes);

// --- reading: what the installer calls at its start ---

// A setup file held open from the check of its SHA-256 to the end of the
// extraction, so that the bytes extracted are the bytes checked (on
// Windows no one may write the file meanwhile).
struct PayloadReader {
    FilePtr file;
    PayloadLocation location;
    std::vector<PayloadEntry> entries;  // folders before what they hold
    std::string detail;                 // the entry or step a fault is about
};

// Opens the program file at path (UTF-8), finds its payload, checks its
// SHA-256 and reads its index, refusing every entry that could land outside
// the folder it is extracted into. NoPayload: a plain installer.
PayloadFault openPayload(const std::string& path, PayloadReader& reader);

// The same over a file already open (openRunningImage's): the digest, the
// index and later every file are read through that one file.
PayloadFault openPayloadFile(FilePtr file, PayloadReader& reader);

// Makes every folder and file of the payload in folder (UTF-8; it exists
// and is empty), each file new, with its modified time and its hidden and
// system attributes (read-only is not kept: the installer's copy clears it).
// Any fault stops the extraction and names the entry in reader.detail; what
// was made stays, for the caller to remove with the folder.
PayloadFault extractPayload(PayloadReader& reader, const std::string& folder);

// One file's bytes, when it has at most limit of them.
PayloadFault readPayloadFile(PayloadReader& reader, const PayloadEntry& entry, std::size_t limit,
                             std::string& bytes);

// --- writing ---

struct PayloadWriter {
    std::FILE* out = nullptr;
    std::uint64_t imageSize = 0;  // the program's bytes before the payload
    std::uint64_t written = 0;    // the payload's bytes so far
    Sha256Ptr hash;
    std::vector<PayloadEntry> entries;
    std::set<std::string> folders, names;  // folded paths seen
    std::uint64_t unpacked = 0;
    std::string detail;
};

// Starts a payload after the imageSize bytes that out holds already.
PayloadFault startPayload(PayloadWriter& writer, std::FILE* out, std::uint64_t imageSize);

// Adds a folder, or a file read from data to its end, under the rules the
// reader holds the index to: a path that stays inside, its folder added
// before it, no name twice (letters A to Z without case).
PayloadFault addPayloadFolder(PayloadWriter& writer, PayloadEntry entry);
PayloadFault addPayloadFile(PayloadWriter& writer, PayloadEntry entry, std::FILE* data);

// Writes the index, the padding and the trailer.
PayloadFault finishPayload(PayloadWriter& writer);

// --- the rules of the index ---

// Whether an index path may be extracted: relative, names joined by "/",
// none empty, "." or "..", none with a drive or stream colon, a backslash,
// a control character or one of <>"|?*, none ending in a dot or a blank
// (Windows drops those, so "..." would climb), no device name (CON, NUL,
// COM1, ... with or without an extension), at most kMaxEntryPath bytes.
bool validEntryPath(const std::string& path);

// folder + the system's separator + an index path, its "/" the system's.
std::string joinEntryPath(const std::string& folder, const std::string& relative);

// The path with letters A to Z in lower case: two entries whose folded
// paths are equal would be one file on Windows.
std::string foldedEntryPath(const std::string& path);

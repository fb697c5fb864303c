#include "wordlist/ReverseList.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/Collation.h"
#include "base/FileLayer.h"
#include "base/InstallState.h"
#include "base/MessageBoxes.h"
#include "base/Progress.h"
#include "wordlist/WordListCheck.h"

namespace {

#ifdef _WIN32
constexpr char kLanguageFolder[] = "language\\";
#else
constexpr char kLanguageFolder[] = "language/";
#endif

// Records per read of the FROM wordlist, which goes straight into memory.
constexpr std::size_t kRecordsPerRead = 8192;

// The TEMP and TO wordlists pass through one buffer a chunk at a time. A
// small list's build pays most for fresh memory, a large one's for its
// many file calls, so the chunk grows with the list, within these bounds.
constexpr std::size_t kFewestPerChunk = 256;
constexpr std::size_t kMostPerChunk = 8192;

// Records and groups are numbered with 32 bits while sorting.
constexpr std::uint64_t kMaxRecords = 0xFFFFFFFEu;

// Status lines, "[Done]" marks and the comparison counter are drawn only
// while the script's debug switch is on.
bool verbose() {
    return installState.verbose == 1;
}

// A message with one path or name in it; the buffer bounds any length.
[[noreturn]] void fatalWithName(const char* format, const std::string& name) {
    char message[kPathCapacity + 80];
    std::snprintf(message, sizeof message, format, name.c_str());
    fatalError(message);
}

// Whether a path relative to the target directory, which is current while
// the word lists are built, fits a path buffer as a full path.
bool fitsUnderTarget(const std::string& relative) {
    return std::strlen(installState.targetDirSlash) + relative.size() < kPathCapacity;
}

// language\<name>; a path that would not fit the installer's path buffers
// is refused rather than cut.
std::string wordListPath(const std::string& name) {
    std::string path = kLanguageFolder + name;
    if (!fitsUnderTarget(path))
        fatalWithName("Wordlist name too long: \"%s\"", name);
    return path;
}

// A word list named like the scratch file would be overwritten or deleted
// by the build (a TO wordlist lost although the build seemed to succeed), so
// such a name is refused before anything is written. The name is resolved
// under language\ as Windows resolves a path: "\" and "/" alike, "." and
// empty parts dropped, ".." one level up, case and trailing dots and blanks
// of a part ignored. A temp.wb in another folder is another file and is built.
void refuseScratchName(const std::string& name) {
    if (isScratchName(name))
        fatalWithName("Wordlist name \"%s\" is reserved for the scratch file", name);
}

// The three files of a build, relative to the target directory.
struct BuildFiles {
    std::string from, temp, to;
};

// Names that do not fit a path or that would destroy the scratch file are
// refused before anything is drawn.
BuildFiles buildFiles(const LanguageEntry& entry) {
    BuildFiles files{wordListPath(entry.fromName), std::string(kLanguageFolder) + "temp.wb",
                     wordListPath(entry.toName)};
    refuseScratchName(entry.fromName);
    refuseScratchName(entry.toName);
    return files;
}

// Opens a word list, whose records go to and from the system a whole chunk
// at a time: the stream's own buffer would only split each chunk into
// several system calls and copy it once more.
FilePtr openWordList(const std::string& path, const char* mode) {
    FilePtr file = openFile(path.c_str(), mode);
    if (file)
        std::setvbuf(file.get(), nullptr, _IONBF, 0);
    return file;
}

// A TEMP or TO wordlist that could not be written completely is deleted,
// so that no cut list is left to pass for a whole one, and the build ends.
[[noreturn]] void abandonOutput(FilePtr& file, const std::string& path, const char* message) {
    file.reset();
    removeFile(path.c_str());
    fatalError(message);
}

struct Stage {
    int fillRight;
    const char* text;
};
constexpr Stage kStages[] = {{0, "0%"}, {64, "10%"}, {117, "25%"}, {205, "50%"}, {292, "75%"}, {379, "100%"}};

// The progress bar at one of its six stages.
void drawStage(int stage) {
    const int top = installState.barY;
    drawProgressBar(30, top, 380, top + 20, kStages[stage].fillRight, kStages[stage].text);
}

// A phase's status line, and the counter box on its row.
void beginPhase(const char* text) {
    if (verbose())
        drawStatusLine(text, 480);
    placeCounterBox();
}

// The "[Done]" that closes a phase's status line.
void endPhase() {
    if (verbose())
        drawDoneMark();
}

struct ReadMessages {
    const char* tooLarge;   // the file does not fit in memory
    const char* readError;  // its size or a record could not be read
};
constexpr ReadMessages kFromMessages = {"Input file \"%s\" too large", "Read error input file \"%s\""};
constexpr ReadMessages kTempMessages = {"Tempfile too large", "Read error tempfile"};

// The record count of an open word list; a list whose size cannot be read,
// or that could never be held or numbered, is fatal.
std::size_t countWordList(std::FILE* file, const std::string& path, const ReadMessages& messages) {
    const long count = countRecords(file);
    if (count < 0)
        fatalWithName(messages.readError, path);
    if (static_cast<std::uint64_t>(count) > kMaxRecords ||
        static_cast<std::uint64_t>(count) > SIZE_MAX / sizeof(WordRecord))
        fatalWithName(messages.tooLarge, path);
    return static_cast<std::size_t>(count);
}

// The index of the first byte c in text[from, size), or size. Eight bytes
// are tested at a time: a byte equal to c leaves a zero byte in the XOR,
// which the borrow test finds. The builder searches its short fields
// itself: the 32-bit C library's string routines are byte loops behind a
// call, and they were much of the builder's time.
std::size_t findByte(const char* text, std::size_t from, std::size_t size, char c) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    std::size_t at = from;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, text + at, sizeof bytes);
        bytes ^= pattern;
        if ((bytes - kOnes) & ~bytes & kHighs)
            break;
    }
    while (at < size && text[at] != c)
        ++at;
    return at;
}

// The length of a record field up to its terminator, or its size when it
// has none.
template <std::size_t N>
std::size_t fieldLength(const char (&field)[N]) {
    return findByte(field, 0, N, '\0');
}

// The reversed record of one translation: the translation, less its
// leading blanks, as the word and the source word as the meanings; false
// when either is too long for its field.
bool invertRecord(const char* source, std::size_t sourceLength, const char* translation,
                  std::size_t translationLength, WordRecord& record) {
    while (translationLength > 0 && *translation == ' ') {
        ++translation;
        --translationLength;
    }
    if (sourceLength > kMaxMeaningsLength || translationLength > kMaxWordLength)
        return false;
    record = WordRecord{};
    std::memcpy(record.word, translation, translationLength);
    std::memcpy(record.meanings, source, sourceLength);
    return true;
}

// Collects records in the build's chunk buffer and writes them to a file a
// chunk at a time; ok turns false at the first chunk not written in full.
struct ChunkWriter {
    std::FILE* file;
    std::vector<WordRecord>& chunk;
    std::size_t used = 0;
    bool ok = true;

    ChunkWriter(std::FILE* to, std::vector<WordRecord>& buffer) : file(to), chunk(buffer) {}
    WordRecord& next() { return chunk[used]; }
    bool add() { return ++used < chunk.size() || flush(); }
    bool flush() {
        ok = ok && (used == 0 || writeItems(chunk.data(), sizeof(WordRecord), used, file));
        used = 0;
        return ok;
    }
};

// Writes one reversed record per translation of every FROM record. A run of
// commas is one separator, so no translation is empty. Stops with false at
// the first chunk not written in full.
bool writeReversedRecords(const RecordBuffer& from, ChunkWriter& out) {
    for (std::size_t p = 0; p < from.size(); ++p) {
        showCounter(static_cast<long>(p));
        const WordRecord& record = from[p];
        const std::size_t wordLength = fieldLength(record.word);
        const std::size_t length = fieldLength(record.meanings);
        for (std::size_t at = 0; at < length;) {
            const std::size_t end = findByte(record.meanings, at, length, ',');
            if (end > at && invertRecord(record.word, wordLength, record.meanings + at, end - at, out.next()) &&
                !out.add())
                return false;
            at = end + 1;
        }
    }
    return out.flush();
}

// --- phases ---

// Phase one: the FROM wordlist, counted and read whole into memory, with
// the record counter.
RecordBuffer readFromList(const std::string& path) {
    if (verbose())
        drawStatusLine("Reading FROM wordlist...", 480);
    FilePtr from = openWordList(path, "rb");
    if (!from)
        fatalWithName("Input file \"%s\" missing", path);
    drawStage(1);
    placeCounterBox();
    const std::size_t count = countWordList(from.get(), path, kFromMessages);
    RecordBuffer records;
    if (!records.resize(count))
        fatalWithName(kFromMessages.tooLarge, path);
    if (!loadRecords(from.get(), static_cast<long>(count), records))
        fatalWithName(kFromMessages.readError, path);
    endPhase();
    return records;
}

// Phase two: every translation becomes a record of its own in the TEMP
// wordlist, which is written to disk whole and closed.
void writeTempList(const RecordBuffer& from, const std::string& path, std::vector<WordRecord>& chunk) {
    FilePtr temp = fitsUnderTarget(path) ? openWordList(path, "wb") : nullptr;
    if (!temp)
        fatalError("Can't create tempfile");
    drawStage(2);
    beginPhase("Writing TEMP wordlist...");
    ChunkWriter out(temp.get(), chunk);
    if (!writeReversedRecords(from, out) || !closeWritten(temp))
        abandonOutput(temp, path, "Write error tempfile");
    endPhase();
}

// --- groups ---

// The records of the TEMP wordlist with byte-equal words form one group.
// Such words are equal under any collation and end up next to each other
// in the sorted list, so only one word per group is sorted. Each record is
// merged into its group as the records are met in TEMP order: a group is
// held as its head, its word and the meanings of its records joined so
// far, so only one head per group stays in memory.
//
// The heads are packed one after another in one block of memory, the FROM
// records' (no longer needed), which grows only when it is full. A head is
// its word's length, its meanings' length and the room for meanings, then
// the word, zero-terminated, then the meanings. It is made with room for
// its first record's meanings only, as most groups have one record; the
// first time more are joined it moves to the end, with room for the
// longest, and its old place is left unused.
struct HeadArena {
    RecordBuffer block;
    std::size_t used = 0;  // bytes

    unsigned char* at(std::size_t offset) { return reinterpret_cast<unsigned char*>(block.data()) + offset; }
    const unsigned char* at(std::size_t offset) const {
        return reinterpret_cast<const unsigned char*>(block.data()) + offset;
    }
};

constexpr std::size_t kHeadFields = 3;  // word length, meanings length, room
constexpr std::size_t kLargestHead = kHeadFields + kMaxWordLength + 1 + kMaxMeaningsLength;

// A head's word and meanings, where its layout puts them.
const char* headWord(const unsigned char* head) {
    return reinterpret_cast<const char*>(head + kHeadFields);
}

const char* headMeanings(const unsigned char* head) {
    return headWord(head) + head[0] + 1;
}

char* headMeanings(unsigned char* head) {
    return reinterpret_cast<char*>(head + kHeadFields + head[0] + 1);
}

// Space for a head of the given size at the end of the arena; returns its
// offset. Throws std::bad_alloc when memory runs out, or when the arena
// would outgrow offsets of 32 bits (some 25 million words).
std::uint32_t appendHead(HeadArena& arena, std::size_t bytes) {
    if (bytes > 0xFFFFFFFFu - arena.used)
        throw std::bad_alloc();
    const std::size_t capacity = arena.block.size() * sizeof(WordRecord);
    if (arena.used + bytes > capacity) {
        const std::size_t wanted = std::max(capacity * 2, arena.used + bytes);
        if (!arena.block.resize((wanted + sizeof(WordRecord) - 1) / sizeof(WordRecord)))
            throw std::bad_alloc();
    }
    const std::size_t offset = arena.used;
    arena.used += bytes;
    return static_cast<std::uint32_t>(offset);
}

// Writes a head at the end of the arena and returns its offset.
std::uint32_t makeHead(HeadArena& arena, const char* word, std::size_t wordLength, const char* meanings,
                       std::size_t meaningsLength, std::size_t room) {
    const std::uint32_t offset = appendHead(arena, kHeadFields + wordLength + 1 + room);
    unsigned char* head = arena.at(offset);
    head[0] = static_cast<unsigned char>(wordLength);
    head[1] = static_cast<unsigned char>(meaningsLength);
    head[2] = static_cast<unsigned char>(room);
    std::memcpy(head + kHeadFields, word, wordLength);
    head[kHeadFields + wordLength] = '\0';
    std::memcpy(head + kHeadFields + wordLength + 1, meanings, meaningsLength);
    return offset;
}

// Moves a head to the end of the arena with room for the longest meanings;
// returns its new offset.
std::uint32_t widenHead(HeadArena& arena, std::uint32_t offset) {
    unsigned char copy[kLargestHead];  // making the new head may move the block
    const unsigned char* head = arena.at(offset);
    std::memcpy(copy, head, kHeadFields + head[0] + 1 + head[1]);
    return makeHead(arena, headWord(copy), copy[0], headMeanings(copy), copy[1], kMaxMeaningsLength);
}

struct Group {
    std::uint32_t head;  // its offset in the arena
    std::uint32_t hash;  // of its word
    std::uint32_t size;  // its number of TEMP records
};

struct MergedGroups {
    HeadArena heads;
    std::vector<Group> groups;

    const unsigned char* head(std::size_t group) const { return heads.at(groups[group].head); }
};

// The groups while the TEMP wordlist is read, with an open-addressing table
// of group numbers + 1 (0: a free slot), kept at most three quarters full.
struct Grouping {
    MergedGroups merged;
    std::vector<std::uint32_t> slots;
};

// FNV-1a of a word of at most 30 characters; length is set to its length.
std::uint32_t hashWord(const char* word, std::size_t& length) {
    std::uint32_t hash = 2166136261u;
    std::size_t i = 0;
    for (; word[i] != '\0'; ++i)
        hash = (hash ^ static_cast<unsigned char>(word[i])) * 16777619u;
    length = i;
    return hash;
}

// Whether two words of the same known length are equal: a few bytes, no
// library call.
bool sameBytes(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

// The heads go into the memory given. The table starts at the size that
// the TEMP record count could need, up to a limit beyond which it grows.
Grouping startGrouping(RecordBuffer memory, std::size_t tempRecords) {
    constexpr std::size_t kLargestFirstTable = std::size_t{1} << 15;
    Grouping grouping;
    grouping.merged.heads.block = std::move(memory);
    grouping.merged.groups.reserve(tempRecords);  // only the pages used become resident
    std::size_t slots = 1024;
    while (slots < kLargestFirstTable && slots * 3 < tempRecords * 4)
        slots *= 2;
    grouping.slots.assign(slots, 0);
    return grouping;
}

// Doubles the table, each group placed anew by its hash.
void growTable(std::vector<std::uint32_t>& slots, const std::vector<Group>& groups) {
    std::vector<std::uint32_t> larger(slots.size() * 2, 0);
    const std::size_t mask = larger.size() - 1;
    for (std::uint32_t slot : slots) {
        if (slot == 0)
            continue;
        std::size_t at = groups[slot - 1].hash & mask;
        while (larger[at] != 0)
            at = (at + 1) & mask;
        larger[at] = slot;
    }
    slots.swap(larger);
}

// A new group headed by the record; returns its number + 1.
std::uint32_t addGroup(MergedGroups& merged, const WordRecord& record, std::uint32_t hash, std::size_t wordLength) {
    const std::size_t meaningsLength = fieldLength(record.meanings);
    const std::uint32_t head =
        makeHead(merged.heads, record.word, wordLength, record.meanings, meaningsLength, meaningsLength);
    merged.groups.push_back({head, hash, 1});
    return static_cast<std::uint32_t>(merged.groups.size());
}

// Appends ", " and the meanings of record to those of the group's head
// when the joined text stays within 50 characters; a record that does not
// fit is dropped, while a later shorter one may still be joined.
void joinMeanings(HeadArena& arena, Group& group, const WordRecord& record) {
    const std::size_t joined = arena.at(group.head)[1];
    if (joined + 2 > kMaxMeaningsLength)
        return;
    const std::size_t length = fieldLength(record.meanings);
    if (joined + 2 + length > kMaxMeaningsLength)
        return;
    if (joined + 2 + length > arena.at(group.head)[2])
        group.head = widenHead(arena, group.head);
    unsigned char* head = arena.at(group.head);
    char* meanings = headMeanings(head);
    std::memcpy(meanings + joined, ", ", 2);
    std::memcpy(meanings + joined + 2, record.meanings, length);
    head[1] = static_cast<unsigned char>(joined + 2 + length);
}

// Joins the record to the group of its word, or starts that group. Throws
// std::bad_alloc when memory runs out.
void mergeRecord(Grouping& grouping, const WordRecord& record, std::uint32_t hash, std::size_t wordLength) {
    MergedGroups& merged = grouping.merged;
    const std::size_t mask = grouping.slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = grouping.slots[at];
        if (slot == 0) {
            grouping.slots[at] = addGroup(merged, record, hash, wordLength);
            break;
        }
        Group& group = merged.groups[slot - 1];
        const unsigned char* head = merged.heads.at(group.head);
        if (group.hash == hash && head[0] == wordLength && sameBytes(headWord(head), record.word, wordLength)) {
            joinMeanings(merged.heads, group, record);
            ++group.size;
            return;
        }
    }
    if (merged.groups.size() * 4 > grouping.slots.size() * 3)
        growTable(grouping.slots, merged.groups);
}

// A hint to bring memory into the cache before it is needed.
inline void prefetch(const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// The records are taken in small batches whose table slots, groups and
// heads are asked for ahead, so that their cache misses overlap.
void mergeChunk(Grouping& grouping, const WordRecord* records, std::size_t count) {
    constexpr std::size_t kBatch = 16;
    const MergedGroups& merged = grouping.merged;
    for (std::size_t base = 0; base < count; base += kBatch) {
        const std::size_t end = std::min(count, base + kBatch);
        const std::size_t mask = grouping.slots.size() - 1;  // the table grows between batches
        std::uint32_t hashes[kBatch];
        std::size_t lengths[kBatch];
        for (std::size_t i = base; i < end; ++i) {
            hashes[i - base] = hashWord(records[i].word, lengths[i - base]);
            prefetch(&grouping.slots[hashes[i - base] & mask]);
        }
        for (std::size_t i = base; i < end; ++i)
            if (std::uint32_t slot = grouping.slots[hashes[i - base] & mask])
                prefetch(&merged.groups[slot - 1]);
        for (std::size_t i = base; i < end; ++i)
            if (std::uint32_t slot = grouping.slots[hashes[i - base] & mask])
                prefetch(merged.head(slot - 1));
        for (std::size_t i = base; i < end; ++i)
            mergeRecord(grouping, records[i], hashes[i - base], lengths[i - base]);
    }
}

// Phase three: the TEMP wordlist read back a chunk at a time, with the
// record counter, each chunk merged into the groups as it comes. memory
// (the FROM records') holds the heads. Throws std::bad_alloc when memory
// runs out.
MergedGroups readTempGroups(std::FILE* temp, std::size_t count, RecordBuffer memory,
                            std::vector<WordRecord>& chunk) {
    Grouping grouping = startGrouping(std::move(memory), count);
    for (std::size_t start = 0; start < count; start += chunk.size()) {
        const std::size_t end = std::min(count, start + chunk.size());
        for (std::size_t i = start; i < end; ++i)
            showCounter(static_cast<long>(i));
        if (!readItems(chunk.data(), sizeof(WordRecord), end - start, temp))
            fatalError(kTempMessages.readError);
        for (std::size_t i = 0; i < end - start; ++i) {
            // Written by this builder, so always true of an intact
            // file; it bounds every string operation below all the same.
            chunk[i].word[kMaxWordLength] = '\0';
            chunk[i].meanings[kMaxMeaningsLength] = '\0';
        }
        mergeChunk(grouping, chunk.data(), end - start);
    }
    return std::move(grouping.merged);
}

// --- sort ---

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

// While no collation locale is selected the collation is foldCompare, whose
// key is the folded word itself: compared in place, without a copy.
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

// Under a collation locale every group's sort key is made once and kept in
// one arena; comparing keys byte by byte gives the collation's order.
void sortByKeys(const SortInput& in, SortOrder& order) {
    std::vector<unsigned char> arena;
    std::vector<std::uint32_t> offsets;  // per group number, and one for the end
    offsets.reserve(order.size() + 1);
    offsets.push_back(0);
    for (SortEntry& entry : order) {
        const std::string key = collateSortKey(in.word(entry));
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

// The groups in the order in which they are written: sorted by the
// selected collation, words equal under it by their bytes.
// countComparison is called before every comparison. Throws std::bad_alloc
// when memory runs out.
SortOrder sortGroups(MergedGroups& groups) {
    SortOrder order = placeOrder(groups);
    const SortInput in{groups};
    if (installState.collationLocale == 0)
        sortFolded(in, order);
    else
        sortByKeys(in, order);
    return order;
}

// Writes one record per group, in sorted order: its word and its joined
// meanings. The counter shows, every hundredth record, the sorted position
// of the last record of a group. Stops with false at the first chunk not
// written in full.
bool writeMergedRecords(const MergedGroups& groups, const SortOrder& order, ChunkWriter& out) {
    // The groups are read in sorted order, all over memory: each is asked
    // for some groups ahead.
    constexpr std::size_t kAhead = 8;
    std::size_t written = 0;  // records of the sorted list up to this group
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + 2 * kAhead < order.size())
            prefetch(&groups.groups[order[k + 2 * kAhead].group]);
        if (k + kAhead < order.size())
            prefetch(groups.head(order[k + kAhead].group));
        const Group& group = groups.groups[order[k].group];
        const unsigned char* head = groups.head(order[k].group);
        WordRecord& record = out.next();
        record = WordRecord{};  // nothing but zeros behind the terminators
        std::memcpy(record.word, headWord(head), head[0]);
        std::memcpy(record.meanings, headMeanings(head), head[1]);
        if (!out.add())
            return false;
        written += group.size;
        showCounter(static_cast<long>(written - 1));
    }
    return out.flush();
}

// --- phases ---

// Phase three: the TEMP wordlist read back and merged into its groups
// (readTempGroups), in the memory of the FROM records.
MergedGroups readTempList(const std::string& path, RecordBuffer memory, std::vector<WordRecord>& chunk) {
    FilePtr temp = openWordList(path, "rb");
    if (!temp)
        fatalError("Can't open tempfile");
    drawStage(3);
    beginPhase("Reading TO wordlist...");
    const std::size_t count = countWordList(temp.get(), path, kTempMessages);
    if (std::fseek(temp.get(), 0, SEEK_SET) != 0)
        fatalError(kTempMessages.readError);
    MergedGroups groups;
    try {
        groups = readTempGroups(temp.get(), count, std::move(memory), chunk);
    } catch (const std::bad_alloc&) {
        fatalError(kTempMessages.tooLarge);
    }
    endPhase();
    return groups;
}

// Phase four: the groups sorted, then written to the TO wordlist, created
// before the sort. A list that could not be completed is deleted.
void writeToList(MergedGroups& groups, const std::string& path, std::vector<WordRecord>& chunk) {
    FilePtr to = openWordList(path, "wb");
    if (!to)
        fatalWithName("Can't create output file \"%s\" ", path);
    if (verbose()) {
        drawStatusLine("Sorting TO wordlist...", 400);
        placeCounterBox();
    }
    SortOrder order;
    try {
        order = sortGroups(groups);
    } catch (const std::bad_alloc&) {
        abandonOutput(to, path, kTempMessages.tooLarge);
    }
    endPhase();
    drawStage(4);

    beginPhase("Writing TO wordlist...");
    ChunkWriter out(to.get(), chunk);
    if (!writeMergedRecords(groups, order, out) || !closeWritten(to))
        abandonOutput(to, path, "Write error output file");
    endPhase();
}

}  // namespace

RecordBuffer::RecordBuffer(RecordBuffer&& other) noexcept
    : records_(std::exchange(other.records_, nullptr)), size_(std::exchange(other.size_, 0)) {}

RecordBuffer& RecordBuffer::operator=(RecordBuffer&& other) noexcept {
    std::swap(records_, other.records_);
    std::swap(size_, other.size_);
    return *this;
}

RecordBuffer::~RecordBuffer() {
    std::free(records_);
}

bool RecordBuffer::resize(std::size_t count) {
    if (count == size_)
        return true;
    if (count > SIZE_MAX / sizeof(WordRecord))
        return false;
    if (count == 0) {
        std::free(records_);
        records_ = nullptr;
        size_ = 0;
        return true;
    }
    void* grown = std::realloc(records_, count * sizeof(WordRecord));
    if (!grown)
        return false;
    records_ = static_cast<WordRecord*>(grown);
    size_ = count;
    return true;
}

long countRecords(std::FILE* file) {
    const long size = fileSize(file);
    if (size < 0)
        return -1;
    return static_cast<long>(static_cast<unsigned long>(size) / sizeof(WordRecord));
}

bool loadRecords(std::FILE* file, long count, RecordBuffer& records) {
    if (count < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    const std::size_t total = static_cast<std::size_t>(count);
    if (!records.resize(total))
        return false;
    for (std::size_t start = 0; start < total; start += kRecordsPerRead) {
        const std::size_t end = std::min(total, start + kRecordsPerRead);
        for (std::size_t i = start; i < end; ++i)
            showCounter(static_cast<long>(i));
        if (!readItems(&records[start], sizeof(WordRecord), end - start, file))
            return false;
    }
    return true;
}

void writeInvertedRecord(std::FILE* temp, const char* sourceWord, const char* translation) {
    WordRecord record;
    if (invertRecord(sourceWord, std::strlen(sourceWord), translation, std::strlen(translation), record) &&
        !writeItems(&record, sizeof record, 1, temp))
        fatalError("Write error tempfile");
}

// The phases in their order, each drawing its own part of the display.
// TEMP is scratch, recreated by every build and never taken for a word
// list: when it cannot be deleted at the end it is left behind without a
// message.
void buildReverseList(const LanguageEntry& entry) {
    const BuildFiles files = buildFiles(entry);
    beginLanguageDrawing();
    drawLanguageName(entry.displayName.c_str(), installState.nameY);
    installState.nameY += 50;
    drawStage(0);

    RecordBuffer from = readFromList(files.from);
    // A list of a few records needs a buffer of a few records.
    const std::size_t perChunk = std::clamp(from.size() / 32, kFewestPerChunk, kMostPerChunk);
    std::vector<WordRecord> chunk(std::min(perChunk, from.size() * 2 + 1));
    writeTempList(from, files.temp, chunk);
    {
        MergedGroups groups = readTempList(files.temp, std::move(from), chunk);
        writeToList(groups, files.to, chunk);
    }
    removeFile(files.temp.c_str());
    drawStage(5);
    installState.barY += 50;
    endLanguageDrawing();
}

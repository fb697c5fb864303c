#include "wordlist/ReverseList.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/Collation.h"
#include "base/FileLayer.h"
#include "base/InstallState.h"
#include "base/MessageBoxes.h"
#include "base/Progress.h"

namespace {

#ifdef _WIN32
constexpr char kLanguageFolder[] = "language\\";
#else
constexpr char kLanguageFolder[] = "language/";
#endif

constexpr char kFinishedText[] = "Install Finished ";

// Records per read or write call.
constexpr std::size_t kRecordsPerChunk = 8192;

// A display file is meant for a message box; anything larger is not shown.
constexpr long kMaxDisplayFileBytes = 1L << 20;

// Records and groups are numbered with 32 bits while sorting.
constexpr std::uint64_t kMaxRecords = 0xFFFFFFFEu;

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
    std::vector<std::string> parts{"language"};
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = name.find_first_of("\\/", start);
        std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") {
            if (parts.empty())
                return;  // above the target directory
            parts.pop_back();
        } else {
            part.erase(part.find_last_not_of(". ") + 1);  // npos + 1 == 0: all dots and blanks
            if (!part.empty())
                parts.push_back(part);
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (parts.size() == 2 && foldEquals(parts[0].c_str(), "language") && foldEquals(parts[1].c_str(), "temp.wb"))
        fatalWithName("Wordlist name \"%s\" is reserved for the scratch file", name);
}

std::string tempPath() {
    return std::string(kLanguageFolder) + "temp.wb";
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

void drawStage(int stage) {
    const int top = installState.barY;
    drawProgressBar(30, top, 380, top + 20, kStages[stage].fillRight, kStages[stage].text);
}

void beginPhase(const char* text) {
    if (verbose())
        drawStatusLine(text, 480);
    placeCounterBox();
}

void endPhase() {
    if (verbose())
        drawDoneMark();
}

struct ReadMessages {
    const char* tooLarge;   // the file does not fit in memory
    const char* readError;  // its size or a record could not be read
};

// Reads a whole word-list file into records; every failure is fatal.
void readWordList(std::FILE* file, const std::string& path, const ReadMessages& messages,
                  std::vector<WordRecord>& records) {
    long count = countRecords(file);
    if (count < 0)
        fatalWithName(messages.readError, path);
    if (static_cast<std::uint64_t>(count) > kMaxRecords ||
        static_cast<std::uint64_t>(count) > records.max_size())
        fatalWithName(messages.tooLarge, path);
    try {
        records.reserve(static_cast<std::size_t>(count));
    } catch (const std::exception&) {
        fatalWithName(messages.tooLarge, path);
    }
    if (!loadRecords(file, count, records))
        fatalWithName(messages.readError, path);
}

// Copies a record field up to its terminator, or up to its last byte when it
// has none, into dst, one byte longer than the field.
template <std::size_t N>
void copyField(char (&dst)[N + 1], const char (&field)[N]) {
    std::size_t length = strnlen(field, N);
    std::memcpy(dst, field, length);
    dst[length] = '\0';
}

// The reversed record of one translation: the translation, less its
// leading blanks, as the word and the source word as the meanings; false
// when either is too long for its field.
bool invertRecord(const char* sourceWord, const char* translation, WordRecord& record) {
    while (*translation == ' ')
        ++translation;
    const std::size_t sourceLength = std::strlen(sourceWord);
    const std::size_t translationLength = std::strlen(translation);
    if (sourceLength > kMaxMeaningsLength || translationLength > kMaxWordLength)
        return false;
    record = WordRecord{};
    std::memcpy(record.word, translation, translationLength);
    std::memcpy(record.meanings, sourceWord, sourceLength);
    return true;
}

// Writes one reversed record per translation of every FROM record, in
// chunks of records. A run of commas is one separator, so no translation is
// empty. Stops with false at the first chunk not written in full.
bool writeReversedRecords(const std::vector<WordRecord>& from, std::FILE* temp) {
    // A small list needs no large buffer: it would only cost its zero-filling.
    std::vector<WordRecord> chunk(std::min(kRecordsPerChunk, from.size() * 2 + 1));
    std::size_t used = 0;
    auto flush = [&]() {
        const bool ok = used == 0 || writeItems(chunk.data(), sizeof(WordRecord), used, temp);
        used = 0;
        return ok;
    };

    for (std::size_t p = 0; p < from.size(); ++p) {
        showCounter(static_cast<long>(p));
        char word[sizeof(WordRecord::word) + 1];
        char meanings[sizeof(WordRecord::meanings) + 1];
        copyField(word, from[p].word);
        copyField(meanings, from[p].meanings);

        char* item = meanings;
        while (*item != '\0') {
            if (*item == ',') {
                ++item;
                continue;
            }
            char* end = item + std::strcspn(item, ",");
            const bool last = *end == '\0';
            *end = '\0';
            if (invertRecord(word, item, chunk[used]) && ++used == chunk.size() && !flush())
                return false;
            if (last)
                break;
            item = end + 1;
        }
    }
    return flush();
}

// The records of the TEMP wordlist with byte-equal words form one group.
// Such words are equal under any collation and end up next to each other
// in the sorted list, so only one word per group is sorted, and each group
// is merged into its first record as the records are met in TEMP order.
struct Group {
    std::uint32_t first;  // the record that holds the group's merged meanings
    std::uint32_t size;   // its number of records
};

std::uint32_t hashWord(const char* word) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (; *word != '\0'; ++word)
        hash = (hash ^ static_cast<unsigned char>(*word)) * 16777619u;
    return hash;
}

// An open-addressing table of group numbers + 1 (0: a free slot), kept at
// most three quarters full.
void growTable(std::vector<std::uint32_t>& slots, const std::vector<std::uint32_t>& hashes) {
    std::vector<std::uint32_t> larger(slots.size() * 2, 0);
    const std::size_t mask = larger.size() - 1;
    for (std::uint32_t slot : slots) {
        if (slot == 0)
            continue;
        std::size_t at = hashes[slot - 1] & mask;
        while (larger[at] != 0)
            at = (at + 1) & mask;
        larger[at] = slot;
    }
    slots.swap(larger);
}

// Appends ", " and the meanings of record to those of head when the joined
// text stays within 50 characters; a record that does not fit is dropped,
// while a later shorter one may still be joined.
void joinMeanings(WordRecord& head, const WordRecord& record) {
    const std::size_t joined = std::strlen(head.meanings);
    if (joined + 2 > kMaxMeaningsLength)
        return;
    const std::size_t length = std::strlen(record.meanings);
    if (joined + 2 + length > kMaxMeaningsLength)
        return;
    std::memcpy(head.meanings + joined, ", ", 2);
    std::memcpy(head.meanings + joined + 2, record.meanings, length);
    head.meanings[joined + 2 + length] = '\0';
}

// A hint to bring memory into the cache before it is needed.
inline void prefetch(const void* address) {
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// A record may straddle two cache lines.
inline void prefetchRecord(const WordRecord& record) {
    prefetch(&record);
    prefetch(reinterpret_cast<const char*>(&record) + sizeof record - 1);
}

// The records are taken in small batches whose table slots, groups and
// first records are asked for ahead, so that their cache misses overlap.
std::vector<Group> groupAndMerge(std::vector<WordRecord>& records) {
    constexpr std::size_t kBatch = 16;
    std::vector<Group> groups;
    std::vector<std::uint32_t> hashes;
    groups.reserve(records.size());  // only the pages used become resident
    hashes.reserve(records.size());
    std::vector<std::uint32_t> slots(1024, 0);

    for (std::size_t base = 0; base < records.size(); base += kBatch) {
        const std::size_t end = std::min(records.size(), base + kBatch);
        std::uint32_t batchHashes[kBatch];
        for (std::size_t i = base; i < end; ++i) {
            batchHashes[i - base] = hashWord(records[i].word);
            prefetch(&slots[batchHashes[i - base] & (slots.size() - 1)]);
        }
        for (std::size_t i = base; i < end; ++i) {
            if (std::uint32_t slot = slots[batchHashes[i - base] & (slots.size() - 1)]) {
                prefetch(&hashes[slot - 1]);
                prefetch(&groups[slot - 1]);
            }
        }
        for (std::size_t i = base; i < end; ++i) {
            if (std::uint32_t slot = slots[batchHashes[i - base] & (slots.size() - 1)])
                prefetchRecord(records[groups[slot - 1].first]);
        }

        for (std::size_t i = base; i < end; ++i) {
            const char* word = records[i].word;
            const std::uint32_t hash = batchHashes[i - base];
            const std::size_t mask = slots.size() - 1;
            for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
                const std::uint32_t slot = slots[at];
                if (slot == 0) {
                    groups.push_back({static_cast<std::uint32_t>(i), 1});
                    hashes.push_back(hash);
                    slots[at] = static_cast<std::uint32_t>(groups.size());
                    break;
                }
                Group& group = groups[slot - 1];
                if (hashes[slot - 1] == hash && std::strcmp(records[group.first].word, word) == 0) {
                    joinMeanings(records[group.first], records[i]);
                    ++group.size;
                    break;
                }
            }
            if (groups.size() * 4 > slots.size() * 3)
                growTable(slots, hashes);
        }
    }
    return groups;
}

// A group in the sort: the first 16 bytes of its word's collation key,
// big-endian in four parts so that integer order is byte order, and the
// group's number. Bytes behind the end of a key count as 0, which keeps the
// prefix order consistent with the key order (a shorter key first). Most
// comparisons end on the prefix.
struct SortEntry {
    std::uint32_t prefix[4];
    std::uint32_t group;
};

void setPrefix(SortEntry& entry, const unsigned char* key, std::size_t length) {
    unsigned char bytes[16] = {};
    std::memcpy(bytes, key, std::min<std::size_t>(length, sizeof bytes));
    for (int part = 0; part < 4; ++part) {
        const unsigned char* b = bytes + 4 * part;
        entry.prefix[part] = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                             (std::uint32_t{b[2]} << 8) | b[3];
    }
}

// -1, 0 or 1 as the prefix of a sorts before, equal to or after b's.
int comparePrefixes(const SortEntry& a, const SortEntry& b) {
    for (int part = 0; part < 4; ++part)
        if (a.prefix[part] != b.prefix[part])
            return a.prefix[part] < b.prefix[part] ? -1 : 1;
    return 0;
}

// The records and groups a sort reads.
struct SortInput {
    const std::vector<WordRecord>& records;
    const std::vector<Group>& groups;
    const char* word(const SortEntry& entry) const { return records[groups[entry.group].first].word; }

    // Words equal under the collation are ordered by their bytes. Distinct
    // groups never have byte-equal words; the group number only keeps the
    // order total whatever happens.
    bool byteLess(const SortEntry& a, const SortEntry& b) const {
        const int bytes = std::strcmp(word(a), word(b));
        return bytes != 0 ? bytes < 0 : a.group < b.group;
    }
};

// While no collation locale is selected the collation is foldCompare, whose
// key is the folded word itself: compared in place, without a copy.
void sortFolded(const SortInput& in, std::vector<SortEntry>& order) {
    for (SortEntry& entry : order) {
        const char* word = in.word(entry);
        unsigned char folded[16] = {};
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
void sortByKeys(const SortInput& in, std::vector<SortEntry>& order) {
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

// The groups of the TEMP records, merged, in the order in which they are
// written: sorted by the selected collation, words equal under it by their
// bytes. countComparison is called before every comparison.
struct SortedGroups {
    std::vector<Group> groups;
    std::vector<SortEntry> order;
};

SortedGroups sortRecords(std::vector<WordRecord>& records) {
    SortedGroups sorted;
    try {
        sorted.groups = groupAndMerge(records);
        sorted.groups.shrink_to_fit();
        sorted.order.resize(sorted.groups.size());
        for (std::size_t g = 0; g < sorted.order.size(); ++g)
            sorted.order[g].group = static_cast<std::uint32_t>(g);
        const SortInput in{records, sorted.groups};
        if (installState.collationLocale == 0)
            sortFolded(in, sorted.order);
        else
            sortByKeys(in, sorted.order);
    } catch (const std::bad_alloc&) {
        fatalError("Tempfile too large");
    }
    return sorted;
}

// Writes one record per group, in sorted order: the word and the merged
// meanings of its first record. The counter shows, every hundredth record,
// the sorted position of the last record of a group. Stops with false at
// the first chunk not written in full.
bool writeMergedRecords(const std::vector<WordRecord>& records, const SortedGroups& sorted, std::FILE* to) {
    std::vector<WordRecord> chunk;
    chunk.reserve(std::min(kRecordsPerChunk, sorted.order.size()));
    auto flush = [&]() {
        const bool ok = chunk.empty() || writeItems(chunk.data(), sizeof(WordRecord), chunk.size(), to);
        chunk.clear();
        return ok;
    };

    // The groups are read in sorted order, their records all over memory:
    // each group and its first record are asked for some groups ahead.
    constexpr std::size_t kGroupsAhead = 16, kRecordsAhead = 8;
    const std::vector<SortEntry>& order = sorted.order;
    std::size_t written = 0;  // records of the sorted list up to this group
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + kGroupsAhead < order.size())
            prefetch(&sorted.groups[order[k + kGroupsAhead].group]);
        if (k + kRecordsAhead < order.size())
            prefetchRecord(records[sorted.groups[order[k + kRecordsAhead].group].first]);
        const Group& group = sorted.groups[order[k].group];
        const WordRecord& head = records[group.first];
        WordRecord out{};  // nothing but zeros behind the terminators
        std::memcpy(out.word, head.word, std::strlen(head.word));
        std::memcpy(out.meanings, head.meanings, std::strlen(head.meanings));
        chunk.push_back(out);
        if (chunk.size() == kRecordsPerChunk && !flush())
            return false;
        written += group.size;
        showCounter(static_cast<long>(written - 1));
    }
    return flush();
}

// Reads the display file whole into text, zero-terminated; false when it
// cannot be opened, sized or read in full, or is too large for a message.
bool readDisplayFile(const char* name, std::vector<char>& text) {
    FilePtr file = openFile(name, "rb");
    if (!file)
        return false;
    const long size = fileSize(file.get());
    if (size < 0 || size > kMaxDisplayFileBytes)
        return false;
    text.assign(static_cast<std::size_t>(size) + 1, '\0');
    return readItems(text.data(), 1, static_cast<std::size_t>(size), file.get());
}

// The closing message of a build: the display file's bytes, or the
// standard text when there is none or it cannot be read.
void showBuildFinished() {
    std::vector<char> text;
    if (installState.displayFile[0] != '\0' && readDisplayFile(installState.displayFile, text))
        showClosingMessage(text.data());
    else
        showClosingMessage(kFinishedText);
}

}  // namespace

long countRecords(std::FILE* file) {
    const long size = fileSize(file);
    if (size < 0)
        return -1;
    return static_cast<long>(static_cast<unsigned long>(size) / sizeof(WordRecord));
}

bool loadRecords(std::FILE* file, long count, std::vector<WordRecord>& records) {
    if (count < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    const std::size_t total = static_cast<std::size_t>(count);
    try {
        records.assign(total, WordRecord{});
    } catch (const std::exception&) {
        return false;
    }
    for (std::size_t start = 0; start < total; start += kRecordsPerChunk) {
        const std::size_t end = std::min(total, start + kRecordsPerChunk);
        for (std::size_t i = start; i < end; ++i)
            showCounter(static_cast<long>(i));
        if (!readItems(&records[start], sizeof(WordRecord), end - start, file))
            return false;
    }
    return true;
}

void writeInvertedRecord(std::FILE* temp, const char* sourceWord, const char* translation) {
    WordRecord record;
    if (invertRecord(sourceWord, translation, record) && !writeItems(&record, sizeof record, 1, temp))
        fatalError("Write error tempfile");
}

void buildReverseList(const LanguageEntry& entry) {
    const std::string fromPath = wordListPath(entry.fromName);
    const std::string toPath = wordListPath(entry.toName);
    const std::string temp = tempPath();
    refuseScratchName(entry.fromName);
    refuseScratchName(entry.toName);

    beginLanguageDrawing();
    drawLanguageName(entry.displayName.c_str(), installState.nameY);
    installState.nameY += 50;
    drawStage(0);

    // FROM wordlist into memory.
    if (verbose())
        drawStatusLine("Reading FROM wordlist...", 480);
    FilePtr from = openFile(fromPath.c_str(), "rb");
    if (!from)
        fatalWithName("Input file \"%s\" missing", fromPath);
    drawStage(1);
    placeCounterBox();
    std::vector<WordRecord> fromRecords;
    readWordList(from.get(), fromPath, {"Input file \"%s\" too large", "Read error input file \"%s\""},
                 fromRecords);
    endPhase();

    // Every translation becomes a record of its own in the TEMP wordlist.
    {
        FilePtr tempOut = fitsUnderTarget(temp) ? openFile(temp.c_str(), "wb") : nullptr;
        if (!tempOut)
            fatalError("Can't create tempfile");
        drawStage(2);
        beginPhase("Writing TEMP wordlist...");
        if (!writeReversedRecords(fromRecords, tempOut.get()))
            abandonOutput(tempOut, temp, "Write error tempfile");
        std::vector<WordRecord>().swap(fromRecords);
        from.reset();
        if (!closeWritten(tempOut))
            abandonOutput(tempOut, temp, "Write error tempfile");
    }
    endPhase();

    // TEMP wordlist back into memory.
    FilePtr tempIn = openFile(temp.c_str(), "rb");
    if (!tempIn)
        fatalError("Can't open tempfile");
    drawStage(3);
    beginPhase("Reading TO wordlist...");
    std::vector<WordRecord> records;
    readWordList(tempIn.get(), temp, {"Tempfile too large", "Read error tempfile"}, records);
    for (WordRecord& record : records) {
        // Written by writeInvertedRecord, so always true of an intact file;
        // it bounds every string operation below all the same.
        record.word[kMaxWordLength] = '\0';
        record.meanings[kMaxMeaningsLength] = '\0';
    }
    endPhase();

    FilePtr to = openFile(toPath.c_str(), "wb");
    if (!to)
        fatalWithName("Can't create output file \"%s\" ", toPath);

    if (verbose()) {
        drawStatusLine("Sorting TO wordlist...", 400);
        placeCounterBox();
    }
    SortedGroups sorted = sortRecords(records);
    endPhase();
    drawStage(4);

    beginPhase("Writing TO wordlist...");
    if (!writeMergedRecords(records, sorted, to.get()))
        abandonOutput(to, toPath, "Write error output file");
    if (!closeWritten(to))
        abandonOutput(to, toPath, "Write error output file");
    endPhase();

    // TEMP is scratch, recreated by every build and never taken for a word
    // list: when it cannot be deleted it is left behind without a message.
    tempIn.reset();
    removeFile(temp.c_str());
    sorted = SortedGroups{};
    std::vector<WordRecord>().swap(records);
    drawStage(5);
    installState.barY += 50;

    endLanguageDrawing();
    showBuildFinished();
}

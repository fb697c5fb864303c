// The reverse-list builder: a FROM wordlist becomes its TO wordlist in four
// phases, each drawing its own part of the progress display.
//
//   1. The FROM wordlist is read whole into one block of memory.
//   2. Every translation of every record becomes a record of its own in the
//      TEMP wordlist, written to disk whole (WordListFile.h).
//   3. TEMP is read back a chunk at a time, each chunk merged into groups of
//      byte-equal words (GroupMerge.h).
//   4. The groups are sorted (GroupSort.h) and written to the TO wordlist.
//
// The memory's life. The block that phase one allocates for the FROM
// records changes role three times:
//   - FROM records: the list as read, 84 bytes a record, until phase two
//     has written TEMP from it;
//   - group heads: phase three packs the head of each group (its word and
//     its meanings joined so far) from the start of the block, over the
//     records, and grows the block (realloc) only when it is full;
//   - sort entries: phase four puts the sort's 16-byte entries in the
//     block's unused end behind the heads when they fit there, and in
//     memory of their own only when they do not.
// Beside it a build holds the one chunk buffer that TEMP and TO pass
// through, the list of groups (12 bytes each) with their hash table, and,
// under a collation locale, the groups' sort keys.
#include "wordlist/ReverseList.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/Collation.h"
#include "core/PathText.h"
#include "core/Utf8Text.h"
#include "core/FileLayer.h"
#include "run/ScriptSettings.h"
#include "run/EarlyEnd.h"
#include "run/HeldFiles.h"
#include "run/Journaling.h"
#include "run/RunEnd.h"
#include "record/InstallRecord.h"
#include "core/Log.h"
#include "run/Progress.h"
#include "wordlist/GroupMerge.h"
#include "wordlist/GroupSort.h"
#include "wordlist/WordListCheck.h"
#include "wordlist/WordListFile.h"

namespace {

#ifdef _WIN32
constexpr char kLanguageFolder[] = "language\\";
#else
constexpr char kLanguageFolder[] = "language/";
#endif

// Status lines, "[Done]" marks and the comparison counter are drawn while
// verbose is on. It starts on and the script's debug line only sets it
// again, so the installer always draws them; the host tests turn it off to
// see the bar and the record counters alone.
bool verbose() {
    return scriptSettings.verbose == 1;
}

// The word lists lie under the target directory, named from it.
const char* targetRoot() {
    return scriptSettings.targetDirSlash;
}

// A message with one path or name in it; the buffer bounds any length.
[[noreturn]] void fatalWithName(const char* format, const std::string& name) {
    char message[kPathBytes + 80];
    std::snprintf(message, sizeof message, format, name.c_str());
    fatalError(message);
}

// A word list that could not be opened: a link met on its way is named as
// the reason (nothing was read or written through it).
[[noreturn]] void openFailure(const char* format, const std::string& name) {
    if (metLink())
        fatalWithName("A link stands in the place of \"%s\"; nothing was written through it", name);
    fatalWithName(format, name);
}

// A TEMP or TO wordlist that could not be written completely is deleted,
// so that no cut list is left to pass for a whole one, and the build ends.
// Its holder would delete it when the fatal error unwinds; it goes first,
// since the process may also end where it is.
[[noreturn]] void outputFailed(PendingFile& file, const char* message) {
    file.discard();
    fatalError(message);
}

// Whether a path relative to the target directory fits a path buffer as a
// full path.
bool fitsUnderTarget(const std::string& relative) {
    return utf16Length(scriptSettings.targetDirSlash + relative) < kPathCapacity;
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

// A word list lives in the language folder: a name that climbs out of it,
// names a drive, a stream or a device, or is absolute, is refused before
// anything is written, so a list cannot send the build's output elsewhere.
void refuseLeavingName(const std::string& name) {
    const NameLeaves leaves = nameLeaves(name);
    if (leaves != NameLeaves::No)
        fatalError(("Wordlist name \"" + name + "\" " + nameLeavesText(leaves) +
                    ": a word list stays in the language folder").c_str());
}

// The three files of a build, relative to the target directory.
struct BuildFiles {
    std::string from, temp, to;
};

// Names that do not fit a path or that would destroy the scratch file are
// refused before anything is drawn.
BuildFiles buildFiles(const LanguageEntry& entry) {
    refuseWordListNames(entry);
    return {wordListPath(entry.fromName), std::string(kLanguageFolder) + "temp.wb", wordListPath(entry.toName)};
}

struct Stage {
    int fillRight;
    const char* text;
};
constexpr Stage kStages[] = {{0, "0%"}, {64, "10%"}, {117, "25%"}, {205, "50%"}, {292, "75%"}, {379, "100%"}};

// The progress bar at one of its six stages.
void drawStage(int stage) {
    const int top = progressLayout.barY;
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

// The TEMP wordlist read back a chunk at a time, with the record counter,
// each chunk merged into the groups as it comes. memory (the FROM
// records') holds the heads. Throws std::bad_alloc when memory runs out.
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

// The sort's comparison: while no collation locale is selected the
// collation is foldCompare, whose key is the folded word itself, compared
// in place; under a locale, the locale's sort keys.
SortKeyFunction sortKeyOfCollation() {
    return collationSelected() ? collateSortKey : kFoldInPlace;
}

// --- phases ---

// Phase one: the FROM wordlist, counted and read whole into memory, with
// the record counter.
RecordBuffer readFromList(const std::string& path) {
    if (verbose())
        drawStatusLine("Reading FROM wordlist...", 480);
    FilePtr from = openWordList(targetRoot(), path, "rb");
    if (!from)
        openFailure("Input file \"%s\" missing", path);
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
void writeTempList(const RecordBuffer& from, PendingFile& temp, std::vector<WordRecord>& chunk) {
    if (!fitsUnderTarget(temp.name()) || !openWordList(temp, "wb"))
        openFailure("Can't create tempfile", temp.name());
    drawStage(2);
    beginPhase("Writing TEMP wordlist...");
    ChunkWriter out(temp.get(), chunk);
    if (!writeReversedRecords(from, out) || !temp.close())
        outputFailed(temp, "Write error tempfile");
    endPhase();
}

// Phase three: the TEMP wordlist read back and merged into its groups, in
// the memory of the FROM records.
MergedGroups readTempList(const std::string& path, RecordBuffer memory, std::vector<WordRecord>& chunk) {
    FilePtr temp = openWordList(targetRoot(), path, "rb");
    if (!temp)
        openFailure("Can't open tempfile", path);
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

// The whole list takes the TO wordlist's name in one move, the earlier
// list set aside by the journal first: a list under that name is never one
// cut short. A list that the dictionary program holds open is tried again
// when the user asks, or gets its new bytes at the next restart.
bool placeToList(const std::string& scratch, const std::string& path) {
    std::string waiting;
    return replaceOrWait(targetRoot(), scratch, path, waiting);
}

// Phase four: the groups sorted, then written into the scratch file (TEMP,
// read whole by now, opened again before the sort), which then takes the TO
// wordlist's name. A list that could not be completed is deleted.
void writeToList(MergedGroups& groups, const std::string& path, const std::string& scratch,
                 std::vector<WordRecord>& chunk) {
    PendingFile to(targetRoot(), scratch);
    if (!journalFile(insidePath(targetRoot(), scratch)) || !openWordList(to, "wb"))
        openFailure("Can't create output file \"%s\" ", path);
    if (verbose()) {
        drawStatusLine("Sorting TO wordlist...", 400);
        placeCounterBox();
    }
    SortOrder order;
    try {
        order = sortGroups(groups, sortKeyOfCollation());
    } catch (const std::bad_alloc&) {
        outputFailed(to, kTempMessages.tooLarge);
    }
    endPhase();
    drawStage(4);

    beginPhase("Writing TO wordlist...");
    ChunkWriter out(to.get(), chunk);
    if (!writeMergedRecords(groups, order, out) || !to.close())
        outputFailed(to, "Write error output file");
    if (!placeToList(scratch, path))
        outputFailed(to, "Write error output file");
    to.finish();
    endPhase();
}

}  // namespace

void refuseWordListNames(const LanguageEntry& entry) {
    for (const std::string* name : {&entry.fromName, &entry.toName}) {
        refuseLeavingName(*name);
        wordListPath(*name);
        refuseScratchName(*name);
    }
}

// The phases in their order, each drawing its own part of the display.
// TEMP is scratch, recreated by every build and never taken for a word
// list: its holder deletes it on every way out, and when it cannot be
// deleted it is left behind without a message.
void buildReverseList(const LanguageEntry& entry) {
    const BuildFiles files = buildFiles(entry);
    beginLanguageDrawing();
    drawLanguageName(entry.displayName.c_str(), progressLayout.nameY);
    progressLayout.nameY += 50;
    drawStage(0);

    RecordBuffer from = readFromList(files.from);
    std::vector<WordRecord> chunk(chunkRecords(from.size()));
    {
        PendingFile temp(targetRoot(), files.temp);
        if (!journalFile(insidePath(targetRoot(), files.temp)))
            openFailure("Can't create tempfile", files.temp);
        writeTempList(from, temp, chunk);
        MergedGroups groups = readTempList(files.temp, std::move(from), chunk);
        // TEMP, read whole by now, takes the TO wordlist's records and then
        // its name.
        writeToList(groups, files.to, files.temp, chunk);
        temp.finish();
    }
    drawStage(5);
    progressLayout.barY += 50;
    endLanguageDrawing();
}

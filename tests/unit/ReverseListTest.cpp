// The reverse-list builder: record files, the reversal of translations, the
// collated and deterministic order, the merge, the progress display, the
// closing message and every way a build can fail.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/Collation.h"
#include "run/ScriptSettings.h"
#include "run/Progress.h"
#include "tests/support/FileFaults.h"
#include "tests/support/HostPlatform.h"
#include "tests/support/ScratchDirTest.h"
#include "wordlist/LanguageList.h"
#include "wordlist/ReverseList.h"
#include "wordlist/WordListFile.h"
#include "wordlist/WordRecord.h"

namespace fs = std::filesystem;

namespace {

struct Rec {
    std::string word, meanings;
    bool operator==(const Rec& o) const { return word == o.word && meanings == o.meanings; }
};

std::ostream& operator<<(std::ostream& out, const Rec& r) {
    return out << "{\"" << r.word << "\", \"" << r.meanings << "\"}";
}

// A record as a publisher might write it: fields cut at their size, so a
// field of full size has no terminator.
WordRecord makeRecord(const std::string& word, const std::string& meanings, char reserved = 0) {
    WordRecord r{};
    std::memcpy(r.word, word.data(), std::min(word.size(), sizeof r.word));
    std::memcpy(r.meanings, meanings.data(), std::min(meanings.size(), sizeof r.meanings));
    r.reserved[0] = r.reserved[1] = static_cast<std::uint8_t>(reserved);
    return r;
}

void writeRecords(const std::string& path, const std::vector<WordRecord>& records, const std::string& tail = "") {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(WordRecord));
    out << tail;
}

void writeList(const std::string& path, const std::vector<Rec>& recs) {
    std::vector<WordRecord> records;
    for (const Rec& r : recs)
        records.push_back(makeRecord(r.word, r.meanings));
    writeRecords(path, records);
}

// Reads a list the builder wrote, checking that every byte behind a field's
// terminator and the reserved field are 0.
std::vector<Rec> readList(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.size() % sizeof(WordRecord), 0u) << path;
    std::vector<Rec> out;
    for (std::size_t at = 0; at + sizeof(WordRecord) <= bytes.size(); at += sizeof(WordRecord)) {
        WordRecord r;
        std::memcpy(&r, bytes.data() + at, sizeof r);
        std::string word(r.word, strnlen(r.word, sizeof r.word));
        std::string meanings(r.meanings, strnlen(r.meanings, sizeof r.meanings));
        EXPECT_LE(word.size(), 30u);
        EXPECT_LE(meanings.size(), 50u);
        EXPECT_EQ(std::string(r.word + word.size(), sizeof r.word - word.size()),
                  std::string(sizeof r.word - word.size(), '\0'));
        EXPECT_EQ(std::string(r.meanings + meanings.size(), sizeof r.meanings - meanings.size()),
                  std::string(sizeof r.meanings - meanings.size(), '\0'));
        EXPECT_EQ(r.reserved[0] | r.reserved[1], 0);
        out.push_back({word, meanings});
    }
    return out;
}

LanguageEntry language(const std::string& from = "it.wb", const std::string& to = "ti.wb") {
    LanguageEntry e;
    e.displayName = "Italiano";
    e.fromName = from;
    e.toName = to;
    return e;
}

// A build as the language-list driver runs it: the builder, then the
// closing message.
void buildAndClose(const LanguageEntry& entry) {
    buildReverseList(entry);
    showBuildFinished();
}

std::string describe(const DrawEvent& e) {
    std::ostringstream out;
    out << e.kind << " " << e.text;
    if (e.kind == "bar")
        out << " fill " << e.value;
    if (e.kind != "begin" && e.kind != "end")
        out << " (" << e.left << "," << e.top << "," << e.right << "," << e.bottom << ")";
    return out.str();
}

// The counter values painted between the n-th status line with this text
// and the "[Done]" that ends its phase.
std::vector<int> countersOfPhase(const std::string& status, int occurrence = 0) {
    std::vector<int> values;
    bool inside = false;
    for (const DrawEvent& e : hostPlatform().draws) {
        if (e.kind == "status" && e.text == status && occurrence-- == 0)
            inside = true;
        else if (inside && e.kind == "status" && e.text == "[Done]")
            break;
        else if (inside && e.kind == "counter")
            values.push_back(e.value);
    }
    return values;
}

class ReverseListTest : public ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        fs::create_directory("language");
    }

    // Builds language/ti.wb from the records and returns it.
    std::vector<Rec> build(const std::vector<Rec>& from) {
        writeList("language/it.wb", from);
        buildAndClose(language());
        return readList("language/ti.wb");
    }

    // The message of the fatal error that ends the build.
    std::string fatalMessage(const LanguageEntry& entry = language()) {
        try {
            buildAndClose(entry);
        } catch (const EarlyEnd& exit) {
            EXPECT_EQ(exit.exitCode, 1);
            return exit.message;
        }
        return "(no fatal error)";
    }

    fs::path saved_, dir_;
};

using ReverseListDeathTest = ReverseListTest;

// --- records and files ---

TEST_F(ReverseListTest, AnEmptyListBuildsEmptyFilesWithTheWholeDisplay) {
    writeList("language/it.wb", {});
    buildAndClose(language());

    EXPECT_TRUE(fs::exists("language/ti.wb"));
    EXPECT_EQ(fs::file_size("language/ti.wb"), 0u);
    EXPECT_FALSE(fs::exists("language/temp.wb"));

    std::vector<std::string> seen;
    for (const DrawEvent& e : hostPlatform().draws)
        seen.push_back(describe(e));
    const std::vector<std::string> expected = {
        "begin ",
        "name Italiano (30,100,480,140)",
        "bar 0% fill 0 (30,155,380,175)",
        "status Reading FROM wordlist... (30,170,480,200)",
        "bar 10% fill 64 (30,155,380,175)",
        "status [Done] (210,170,480,200)",
        "bar 25% fill 117 (30,155,380,175)",
        "status Writing TEMP wordlist... (30,195,480,225)",
        "status [Done] (210,195,480,225)",
        "bar 50% fill 205 (30,155,380,175)",
        "status Reading TO wordlist... (30,220,480,250)",
        "status [Done] (210,220,480,250)",
        "status Sorting TO wordlist... (30,245,400,275)",
        "status [Done] (210,245,480,275)",
        "bar 75% fill 292 (30,155,380,175)",
        "status Writing TO wordlist... (30,270,480,300)",
        "status [Done] (210,270,480,300)",
        "bar 100% fill 379 (30,155,380,175)",
        "end ",
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(hostPlatform().closingMessages, std::vector<std::string>{"Install Finished "});
    EXPECT_EQ(progressLayout.nameY, 150);
    EXPECT_EQ(progressLayout.barY, 205);
    EXPECT_EQ(progressLayout.statusY, 295);
}

TEST_F(ReverseListTest, RecordCountIgnoresAPartialRecordAndShortFilesFailToLoad) {
    writeRecords("language/it.wb", {makeRecord("casa", "house"), makeRecord("porta", "door")}, "xy");
    ASSERT_EQ(fs::file_size("language/it.wb"), 170u);

    std::FILE* file = std::fopen("language/it.wb", "rb");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 100, SEEK_SET);
    EXPECT_EQ(countRecords(file), 2);
    EXPECT_EQ(std::ftell(file), 0);
    RecordBuffer records;
    EXPECT_TRUE(loadRecords(file, 2, records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_STREQ(records[1].meanings, "door");
    EXPECT_FALSE(loadRecords(file, 3, records));  // the third record is not there in full
    std::fclose(file);

    buildReverseList(language());
    EXPECT_EQ(readList("language/ti.wb"), (std::vector<Rec>{{"door", "porta"}, {"house", "casa"}}));
}

// --- reversing ---

TEST_F(ReverseListTest, EveryTranslationBecomesAHeadword) {
    std::vector<Rec> to = build({
        {"casa", "house, home"},     // blank after the comma passed over
        {"porta", " door ,door,,"},  // trailing blank kept; a run of commas is one separator
        {"vuoto", "x,   "},          // an item of blanks is an empty word, sorted first
    });
    EXPECT_EQ(to, (std::vector<Rec>{{"", "vuoto"},
                                    {"door", "porta"},
                                    {"door ", "porta"},
                                    {"home", "casa"},
                                    {"house", "casa"},
                                    {"x", "vuoto"}}));
}

TEST_F(ReverseListTest, WordsLongerThanTheFieldsAreDropped) {
    const std::string thirty(30, 't'), fifty(50, 's');
    std::FILE* temp = std::tmpfile();
    ASSERT_NE(temp, nullptr);
    writeInvertedRecord(temp, "src", ("   " + thirty).c_str());  // 30 after its blanks: kept
    writeInvertedRecord(temp, "src", (thirty + "t").c_str());    // 31: dropped
    writeInvertedRecord(temp, fifty.c_str(), "word");            // source of 50: kept
    writeInvertedRecord(temp, (fifty + "s").c_str(), "word");    // 51: dropped
    EXPECT_EQ(std::ftell(temp), 2 * 84);
    std::fclose(temp);

    // Fields without a terminator end at their last byte; nothing behind
    // them (here non-zero reserved bytes) is read.
    const std::string word31(31, 'w');
    const std::string meanings51 = std::string(47, 'm') + ",abc";
    writeRecords("language/it.wb", {makeRecord(word31, meanings51, 'Z'), makeRecord("a", "b", 'Z')});
    buildReverseList(language());
    EXPECT_EQ(readList("language/ti.wb"), (std::vector<Rec>{{"abc", word31}, {"b", "a"}}));
}

// --- order and merging ---

TEST_F(ReverseListTest, EqualWordsAreMergedWithinFiftyCharacters) {
    const std::string a20(20, 'a'), b30(30, 'b'), c28(28, 'c');
    std::vector<Rec> to = build({
        {"casa", "home"},
        {"dimora", "home"},
        {"casa", "home"},  // the same source word twice is listed twice
        {a20, "x"},
        {b30, "x"},  // 20 + 2 + 30 = 52: dropped
        {c28, "x"},  // 20 + 2 + 28 = 50: still joined after the drop
        {"d", "x"},  // 51: dropped
    });
    EXPECT_EQ(to, (std::vector<Rec>{{"home", "casa, dimora, casa"}, {"x", a20 + ", " + c28}}));
}

TEST_F(ReverseListTest, WordsDifferingInCaseStaySeparateInAFixedOrder) {
    // TEMP order: Home, home, Home. Equal under the collation, the words are
    // ordered by their bytes, so both "Home" records meet and are merged.
    std::vector<Rec> to = build({{"casa", "Home"}, {"tetto", "home"}, {"porta", "Home"}, {"albero", "HOME"}});
    EXPECT_EQ(to, (std::vector<Rec>{{"HOME", "albero"}, {"Home", "casa, porta"}, {"home", "tetto"}}));
}

// The order of a small independent model: TEMP records in file order,
// stable-sorted by the folded word and then its bytes, runs merged.
std::vector<Rec> modelReverseList(const std::vector<Rec>& from) {
    std::vector<Rec> temp;
    for (const Rec& r : from) {
        std::stringstream items(r.meanings);
        for (std::string item; std::getline(items, item, ',');) {
            if (item.empty())
                continue;
            item.erase(0, item.find_first_not_of(' ') == std::string::npos ? item.size() : item.find_first_not_of(' '));
            if (item.size() <= 30 && r.word.size() <= 50)
                temp.push_back({item, r.word});
        }
    }
    std::stable_sort(temp.begin(), temp.end(), [](const Rec& a, const Rec& b) {
        int c = foldCompare(a.word.c_str(), b.word.c_str());
        return c != 0 ? c < 0 : a.word < b.word;
    });
    std::vector<Rec> out;
    for (const Rec& r : temp) {
        if (!out.empty() && out.back().word == r.word) {
            if (out.back().meanings.size() + 2 + r.meanings.size() <= 50)
                out.back().meanings += ", " + r.meanings;
            continue;
        }
        out.push_back(r);
    }
    return out;
}

TEST_F(ReverseListTest, OrderIsTheModelsWithAndWithoutSortKeys) {
    // Words share long prefixes and differ in case and punctuation, so
    // every level of the comparison is reached.
    std::mt19937 random(7);
    const char* stems[] = {"casamento", "CASAMENTO", "casa", "Casamenti", "casamento-", "casamento'x", ""};
    const char tails[] = {'a', 'A', 'b', ' ', '-', '\xe8', 'z'};
    std::vector<Rec> from;
    for (int i = 0; i < 1500; ++i) {
        std::string meanings;
        for (int n = 1 + random() % 3; n > 0; --n) {
            std::string word = stems[random() % 7];
            for (int t = random() % 3; t > 0; --t)
                word += tails[random() % 7];
            meanings += (meanings.empty() ? "" : ",") + word;
        }
        from.push_back({"w" + std::to_string(random() % 40), meanings.substr(0, 50)});
    }
    const std::vector<Rec> expected = modelReverseList(from);

    EXPECT_EQ(build(from), expected);
    ASSERT_TRUE(selectCollation("italian"));  // the host's keys are the folded bytes
    ASSERT_TRUE(collationSelected());
    EXPECT_EQ(build(from), expected);
}

// A two-character word for each number below 62 * 62.
std::string code(int n) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    return {digits[n / 62 % 62], digits[n % 62]};
}

TEST_F(ReverseListTest, ListsWithMoreWordsThanRecordsAreTheModels) {
    // Long headwords with two translations each: the groups almost fill the
    // FROM records' memory, and the sort works beside it.
    std::vector<Rec> twoEach;
    for (int i = 0; i < 1000; ++i)
        twoEach.push_back({std::string(26, 'h') + std::to_string(i), code(2 * i) + "," + code(2 * i + 1)});
    // Sixteen translations each: the groups outgrow that memory, and every
    // tenth record repeats the first record's words, to be joined after.
    std::vector<Rec> sixteenEach;
    for (int i = 0; i < 200; ++i) {
        std::string meanings;
        for (int n = 0; n < 16; ++n)
            meanings += (n ? "," : "") + code(i % 10 == 0 ? n : 16 * i + n);
        sixteenEach.push_back({"w" + std::to_string(i), meanings});
    }
    for (const std::vector<Rec>* from : {&twoEach, &sixteenEach}) {
        selectCollation(nullptr);
        const std::vector<Rec> expected = modelReverseList(*from);
        EXPECT_EQ(build(*from), expected);
        ASSERT_TRUE(selectCollation("italian"));
        EXPECT_EQ(build(*from), expected);
    }
}

TEST_F(ReverseListTest, ToNameEqualToFromNameReplacesTheListByItsReverse) {
    writeList("language/it.wb", {{"casa", "house, home"}});
    buildReverseList(language("it.wb", "it.wb"));
    EXPECT_EQ(readList("language/it.wb"), (std::vector<Rec>{{"home", "casa"}, {"house", "casa"}}));
}

TEST_F(ReverseListTest, NamesOfAnyLengthThatFitAPathWork) {
    const std::string from(100, 'f'), to(250, 't');  // "language/" + 250 = 259
    writeList("language/" + from, {{"casa", "home"}});
    buildReverseList(language(from, to));
    EXPECT_EQ(readList("language/" + to), (std::vector<Rec>{{"home", "casa"}}));
}

// --- counters ---

std::vector<Rec> numbered(int count) {
    std::vector<Rec> from;
    char word[16], meaning[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(word, sizeof word, "w%03d", i);
        std::snprintf(meaning, sizeof meaning, "m%03d", i);
        from.push_back({word, meaning});
    }
    return from;
}

TEST_F(ReverseListTest, CountersShowEveryHundredthIndexOfEachPhase) {
    std::vector<Rec> from = numbered(250);
    from[101].meanings = "m100";  // sorted positions 100 and 101 form one run
    build(from);

    const std::vector<int> hundreds = {0, 100, 200};
    EXPECT_EQ(countersOfPhase("Reading FROM wordlist..."), hundreds);
    EXPECT_EQ(countersOfPhase("Writing TEMP wordlist..."), hundreds);
    EXPECT_EQ(countersOfPhase("Reading TO wordlist..."), hundreds);
    EXPECT_EQ(countersOfPhase("Writing TO wordlist..."), (std::vector<int>{0, 200}));
    std::vector<int> sorting = countersOfPhase("Sorting TO wordlist...");
    ASSERT_FALSE(sorting.empty());
    EXPECT_EQ(sorting.front(), 0);
    EXPECT_EQ(sorting.back(), comparisonCount - 1 - (comparisonCount - 1) % 1000);

    // Each box stands on its phase's status row.
    for (const DrawEvent& e : drawsOfKind("counter"))
        EXPECT_TRUE(e.left == 280 && e.right == 360 && e.bottom == e.top + 16 && e.top >= 170 && e.top <= 270);
}

TEST_F(ReverseListTest, ComparisonCountRunsOnFromOneBuildToTheNext) {
    build(numbered(250));
    const int first = comparisonCount;
    ASSERT_GT(first, 1000);

    hostPlatform().draws.clear();
    writeList("language/es.wb", numbered(250));
    buildReverseList(language("es.wb", "se.wb"));
    std::vector<int> sorting = countersOfPhase("Sorting TO wordlist...");
    ASSERT_FALSE(sorting.empty());
    EXPECT_EQ(sorting.front(), (first + 999) / 1000 * 1000);
    EXPECT_EQ(drawsOfKind("name").at(0).top, 150);
    EXPECT_EQ(drawsOfKind("bar").at(0).top, 205);
}

TEST_F(ReverseListTest, WithoutVerboseOnlyTheBarAndTheRecordCountersAreDrawn) {
    scriptSettings.verbose = 0;
    build(numbered(250));
    EXPECT_TRUE(drawsOfKind("status").empty());
    EXPECT_EQ(drawsOfKind("bar").size(), 6u);
    EXPECT_EQ(comparisonCount, 0);
    EXPECT_EQ(progressLayout.statusY, 170);
    // Loading, reversing, reloading and writing: 0, 100, 200 each.
    EXPECT_EQ(drawsOfKind("counter").size(), 12u);
}

// --- closing message ---

TEST_F(ReverseListTest, TheDisplayFileIsShownWholeOrReplacedByTheStandardText) {
    std::ofstream("readme.txt", std::ios::binary) << "Thank you\r\nfor installing\r\n";
    copyText(scriptSettings.displayFile, "readme.txt");
    build({});
    fs::create_directory("folder");
    copyText(scriptSettings.displayFile, "folder");
    build({});
    copyText(scriptSettings.displayFile, "missing.txt");
    build({});
    std::ofstream("huge.txt", std::ios::binary) << std::string(2 << 20, 'h');
    copyText(scriptSettings.displayFile, "huge.txt");
    build({});

    EXPECT_EQ(hostPlatform().closingMessages,
              (std::vector<std::string>{"Thank you\r\nfor installing\r\n", "Install Finished ", "Install Finished ",
                                        "Install Finished "}));
}

// --- failures ---

TEST_F(ReverseListTest, MissingOrUnwritableFilesEndWithTheirMessages) {
    EXPECT_EQ(fatalMessage(), "Input file \"language/it.wb\" missing");

    writeList("language/it.wb", {{"casa", "home"}});
    fs::create_directory("language/temp.wb");
    EXPECT_EQ(fatalMessage(), "Can't create tempfile");
    fs::remove("language/temp.wb");

    // The TO wordlist is written into the scratch file, then renamed.
    fs::create_directory("language/ti.wb");
    EXPECT_EQ(fatalMessage(), "Write error output file");
}

TEST_F(ReverseListTest, WriteErrorsAreNeverSilent) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    // A short write of one record.
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    try {
        writeInvertedRecord(full, "casa", "home");
        ADD_FAILURE() << "no fatal error";
    } catch (const EarlyEnd& exit) {
        EXPECT_EQ(exit.message, "Write error tempfile");
    }
    std::fclose(full);

    // Records that stay in the buffer fail when it is flushed.
    writeList("language/it.wb", {{"casa", "home"}});
    fs::create_symlink("/dev/full", "language/temp.wb");
    EXPECT_EQ(fatalMessage(), "Write error tempfile");
    fs::remove("language/temp.wb");

}

TEST_F(ReverseListTest, UnreadableOrOversizedListsAndOverlongNamesAreFatal) {
    EXPECT_EQ(fatalMessage(language(std::string(251, 'n'))),
              "Wordlist name too long: \"" + std::string(251, 'n') + "\"");
    EXPECT_TRUE(hostPlatform().draws.empty());
    // The full path counts: under a target of 240 characters, "language/"
    // and a name of 9 make 259, of 10 make 260.
    const std::string target = std::string(240, 't') + "/";
    copyText(scriptSettings.targetDirSlash, target.c_str());
    EXPECT_EQ(fatalMessage(language("it.wb", "to12345.wb")), "Wordlist name too long: \"to12345.wb\"");
    fs::create_directories(target + "language");
    writeList(target + "language/it.wb", {{"casa", "home"}});
    EXPECT_EQ(fatalMessage(language("it.wb", "to1234.wb")), "(no fatal error)");
    EXPECT_TRUE(fs::exists(target + "language/to1234.wb")) << "the lists lie under the target";
    scriptSettings.targetDirSlash[0] = '\0';

    // A size beyond what can be held: refused before any allocation.
    { std::ofstream("language/it.wb"); }
    fs::resize_file("language/it.wb", std::uintmax_t{1} << 40);
    EXPECT_EQ(fatalMessage(), "Input file \"language/it.wb\" too large");
    fs::remove("language/it.wb");

    // A file whose size cannot be determined: a pipe, kept open for writing
    // so that opening it does not wait.
    ASSERT_EQ(mkfifo("language/it.wb", 0644), 0);
    int writer = open("language/it.wb", O_RDWR);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(fatalMessage(), "Read error input file \"language/it.wb\"");
    close(writer);
}

// The TEMP wordlist can be created but not opened for reading: a file that
// only allows writing, for a user other than root.
TEST_F(ReverseListDeathTest, ATempListThatCannotBeReopenedIsFatal) {
    writeList("language/it.wb", {});
    { std::ofstream("language/temp.wb"); }
    ASSERT_EQ(chmod("language/temp.wb", 0222), 0);
    ASSERT_EQ(chmod(".", 0755), 0);
    ASSERT_EQ(chmod("language", 0755), 0);
    auto run = [] {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(3);
        try {
            buildReverseList(language());
        } catch (const EarlyEnd& exit) {
            _exit(exit.message == "Can't open tempfile" ? 0 : 2);
        }
        _exit(1);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
}

// --- injected failures of the file layer ---

const FileOp kAllOps[] = {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Close, FileOp::Replace, FileOp::Remove};

// The messages with which a failure of the operation may end a build.
std::vector<std::string> messagesOf(FileOp op) {
    switch (op) {
    case FileOp::Open:
        return {"Input file \"language/it.wb\" missing", "Can't create tempfile", "Can't open tempfile",
                "Can't create output file \"language/ti.wb\" "};
    case FileOp::Read:
        return {"Read error input file \"language/it.wb\"", "Read error tempfile"};
    case FileOp::Write:
    case FileOp::Close:
        return {"Write error tempfile", "Write error output file"};
    case FileOp::Replace:  // the whole TO wordlist put in place of the earlier one
        return {"Write error output file"};
    default:
        return {};
    }
}

// Builds the list once cleanly, then once for every k with the k-th call of
// each file operation failing. Every run ends in fatalError with a message
// of that operation and no TO wordlist left, except where the failure hits
// nothing the list depends on: the display file (one open, its size and its
// read: the standard text is shown). Those runs end normally with the whole
// list. TEMP becomes the TO wordlist, so nothing is deleted.
void expectFatalOrWhole(const std::vector<Rec>& from) {
    writeList("language/it.wb", from);
    std::ofstream("readme.txt", std::ios::binary) << "Thank you";
    auto prepare = [] {
        fs::remove("language/ti.wb");
        fs::remove("language/temp.wb");
        resetHostPlatform();
        copyText(scriptSettings.displayFile, "readme.txt");
    };
    prepare();
    buildAndClose(language());
    ASSERT_EQ(hostPlatform().closingMessages, std::vector<std::string>{"Thank you"});
    const std::string whole = readFile("language/ti.wb");
    ASSERT_FALSE(whole.empty());
    const HostPlatform clean = hostPlatform();

    int normalEnds[kFileOpCount] = {};
    forEachFileFault(clean, prepare, [&](FileOp op) {
        try {
            buildAndClose(language());
        } catch (const EarlyEnd& exit) {
            const std::vector<std::string> expected = messagesOf(op);
            EXPECT_NE(std::find(expected.begin(), expected.end(), exit.message), expected.end()) << exit.message;
            EXPECT_FALSE(fs::exists("language/ti.wb"));
            return;
        }
        ++normalEnds[static_cast<int>(op)];
        EXPECT_EQ(readFile("language/ti.wb"), whole);
        EXPECT_FALSE(fs::exists("language/temp.wb"));
        EXPECT_EQ(hostPlatform().closingMessages, std::vector<std::string>{"Install Finished "});
    });
    for (FileOp op : kAllOps) {
        EXPECT_EQ(normalEnds[static_cast<int>(op)], op == FileOp::Open ? 1 : op == FileOp::Read ? 2 : 0)
            << "operation " << static_cast<int>(op);
    }
}

TEST_F(ReverseListTest, EveryFileFailureIsFatalAndLeavesNoCutList) {
    expectFatalOrWhole({{"casa", "house, home"}, {"dimora", "home"}, {"porta", "door,,house"}});
    // Every list is read and written in several chunks.
    std::vector<Rec> large = numbered(9000);
    large[7].meanings = "m001";
    expectFatalOrWhole(large);
}

}  // namespace

// A word list named like the scratch file would be destroyed by the build:
// refused before anything is drawn or written, the FROM wordlist untouched.
TEST_F(ReverseListTest, ScratchFileNameIsRefusedForEitherList) {
    writeList("language/it.wb", {{"casa", "home"}});
    writeList("language/temp.wb", {{"casa", "home"}});
    const auto before = fs::file_size("language/temp.wb");
    EXPECT_EQ(fatalMessage(language("it.wb", "TEMP.WB")), "Wordlist name \"TEMP.WB\" is reserved for the scratch file");
    EXPECT_EQ(fatalMessage(language("temp.wb", "ti.wb")), "Wordlist name \"temp.wb\" is reserved for the scratch file");
    EXPECT_EQ(fatalMessage(language("it.wb", "temp.wb. ")),
              "Wordlist name \"temp.wb. \" is reserved for the scratch file");
    EXPECT_TRUE(hostPlatform().draws.empty());
    EXPECT_EQ(fs::file_size("language/temp.wb"), before);
    EXPECT_FALSE(fs::exists("language/ti.wb"));
    // A way back in through ".." is refused before it could reach the scratch file.
    EXPECT_EQ(fatalMessage(language("it.wb", "..\\Language\\.\\temp.wb")),
              "Wordlist name \"..\\Language\\.\\temp.wb\" climbs out with \"..\": a word list stays in the "
              "language folder");
    EXPECT_EQ(fatalMessage(language("..\\..\\it.wb", "ti.wb")),
              "Wordlist name \"..\\..\\it.wb\" climbs out with \"..\": a word list stays in the language folder");
    EXPECT_EQ(fatalMessage(language("it.wb", "temp.wbx")), "(no fatal error)");
    // A temp.wb in a folder of its own is another file, built as any list.
    fs::create_directory("language/sub");
    EXPECT_EQ(fatalMessage(language("it.wb", "sub/temp.wb")), "(no fatal error)");
    EXPECT_EQ(fs::file_size("language/sub/temp.wb"), 84u);
}

// The settings file kelmo.ini: skeleton, entry replacement, counting and the
// sort of the language section, and that no failure loses or half-writes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "run/ScriptSettings.h"
#include "run/Progress.h"
#include "settings/SettingsFile.h"
#include "tests/support/FileFaults.h"
#include "tests/support/HostPlatform.h"
#include "tests/support/ScratchDirTest.h"
#include "wordlist/LanguageList.h"

namespace fs = std::filesystem;

namespace {

const std::string kHeader = "# --- kelmo.ini -------------------------------------------------\n";
const std::string kEof = "# --- EOF --------------------------------------------------------\n";

std::string skeleton(const std::string& fromName) {
    return kHeader + "\n[AddNew]\non\n\n[selected]\n" + fromName + "\n\n[language]\n\n\n" + kEof;
}

// A settings file with the given entry lines under [language] and the tail
// of a fresh file (two empty lines) or of a sorted one (one).
std::string withEntries(const std::string& entries, const std::string& tail = "\n\n") {
    return kHeader + "\n[AddNew]\non\n\n[selected]\nspanish.wb\n\n[language]\n" + entries + tail + kEof;
}

LanguageEntry entry(const char* f1, const char* f2, const char* f3, const char* name) {
    LanguageEntry e;
    e.keptFields[0] = f1;
    e.keptFields[1] = f2;
    e.keptFields[2] = f3;
    e.displayName = name;
    return e;
}

// Drop then append, as the driver records one language.
void install(const LanguageEntry& e) {
    dropLanguageEntry(e.displayName.c_str());
    appendLanguageEntry(e);
}

}  // namespace

class SettingsFileTest : public ScratchDirTest {};

TEST_F(SettingsFileTest, CreatesTheSkeletonOnlyWhenMissingAndMovesTheStatusLine) {
    createSettingsFile("spanish.wb");
    EXPECT_EQ(readFile("kelmo.ini"), skeleton("spanish.wb"));
    EXPECT_EQ(progressLayout.statusY, 195);

    writeFile("kelmo.ini", "kept as it is");
    createSettingsFile("english.wb");
    EXPECT_EQ(readFile("kelmo.ini"), "kept as it is");
    EXPECT_EQ(progressLayout.statusY, 220);

    scriptSettings.verbose = 0;
    createSettingsFile("english.wb");
    EXPECT_EQ(progressLayout.statusY, 220);
}

TEST_F(SettingsFileTest, FirstInstallationOfOneLanguage) {
    createSettingsFile("spanish.wb");
    install(entry("es", "spanish.wb", "english.wb", "Spanish"));
    EXPECT_EQ(readFile("kelmo.ini"), withEntries("es,spanish.wb,english.wb,Spanish\n"));
    EXPECT_EQ(countLanguageEntries(), 1);
    EXPECT_FALSE(fs::exists("tmp.ini"));
}

TEST_F(SettingsFileTest, TwoLanguagesAreSortedWithTheTailNormalised) {
    createSettingsFile("spanish.wb");
    install(entry("es", "a", "b", "Spanish"));
    install(entry("en", "c", "d", "English"));
    EXPECT_EQ(readFile("kelmo.ini"), withEntries("es,a,b,Spanish\nen,c,d,English\n"));

    ASSERT_EQ(countLanguageEntries(), 2);
    EXPECT_EQ(sortLanguageSection(2), 0);
    EXPECT_EQ(readFile("kelmo.ini"), withEntries("en,c,d,English\nes,a,b,Spanish\n", "\n"));
    EXPECT_FALSE(fs::exists("tmp.ini"));

    // Already in order: rewritten all the same, other tails normalised too.
    writeFile("kelmo.ini", withEntries("en,c,d,English\nes,a,b,Spanish\n", "\n\n\n"));
    EXPECT_EQ(sortLanguageSection(2), 0);
    EXPECT_EQ(readFile("kelmo.ini"), withEntries("en,c,d,English\nes,a,b,Spanish\n", "\n"));
}

TEST_F(SettingsFileTest, ReinstallingReplacesTheEntryAndKeepsTheSelection) {
    writeFile("kelmo.ini", withEntries("en,old,old,English\nes,a,b,Spanish\n", "\n"));
    createSettingsFile("german.wb");
    install(entry("en", "new", "new", "English"));
    install(entry("en", "newer", "newer", "english"));
    EXPECT_EQ(readFile("kelmo.ini"), withEntries("es,a,b,Spanish\nen,newer,newer,english\n", "\n"));
}

TEST_F(SettingsFileTest, EntryKeysFoldOnlyAsciiLettersAndFollowTheFieldCount) {
    const std::string kept =
        "x,y,z,\xC9tranger\n"     // differs from the name in a non-ASCII letter's case
        "a,b,c,English,extra\n"   // five fields: key is "Englis"
        "English\n"               // one field: still carries its line end
        "Englishx,b,c\n";         // first field differs
    writeFile("kelmo.ini", withEntries("x,y,z,ENGLISH\nEnglish,b\nenglish,b,c\n" + kept +
                                           "\xE9tranger,b\n,,,\n"));
    dropLanguageEntry("english");
    dropLanguageEntry("\xC3\xA9tranger");  // UTF-8 inside, Windows-1252 in the file
    EXPECT_EQ(readFile("kelmo.ini"), withEntries(kept + ",,,\n"));

    // A last line without line end loses a real character from its key.
    writeFile("kelmo.ini", "[language]\na,b,c,English");
    dropLanguageEntry("English");
    EXPECT_EQ(readFile("kelmo.ini"), "[language]\na,b,c,English");
}

TEST_F(SettingsFileTest, AppendServesEveryLanguageSectionAndFindsAPlaceAtTheEnd) {
    writeFile("kelmo.ini", "[Language] x\na,b,c,A\n\n[LANGUAGE]\n\nrest\n");
    appendLanguageEntry(entry(",,f", "g", "h", "New"));
    EXPECT_EQ(readFile("kelmo.ini"), "[Language] x\na,b,c,A\n,,f,g,h,New\n\n[LANGUAGE]\n,,f,g,h,New\n\nrest\n");

    writeFile("kelmo.ini", "[language]");
    appendLanguageEntry(entry("a", "b", "c", "New"));
    EXPECT_EQ(readFile("kelmo.ini"), "[language]\na,b,c,New\n");

    writeFile("kelmo.ini", "[language]\na,b,c,Old\n" + kEof);
    appendLanguageEntry(entry("a", "b", "c", "New"));
    EXPECT_EQ(readFile("kelmo.ini"), "[language]\na,b,c,Old\n" + kEof + "a,b,c,New\n");

    // Without a language section there is no place for the entry: the file
    // stays as it was.
    writeFile("kelmo.ini", "[AddNew]\non\n\n[Language-old]\n\n");
    appendLanguageEntry(entry("a", "b", "c", "New"));
    EXPECT_EQ(readFile("kelmo.ini"), "[AddNew]\non\n\n[Language-old]\n\n");
    EXPECT_FALSE(fs::exists("tmp.ini"));
}

TEST_F(SettingsFileTest, CountAndSortNeedAFileAndCreateNothing) {
    EXPECT_EQ(countLanguageEntries(), -1);
    EXPECT_EQ(sortLanguageSection(0), -1);
    EXPECT_TRUE(fs::is_empty(dir_));

    writeFile("kelmo.ini", skeleton("s.wb"));
    EXPECT_EQ(countLanguageEntries(), 0);
}

TEST_F(SettingsFileTest, SortKeysFoldingOrderAndStability) {
    // No collation selected: bytes after folding A to Z. Fewer than four
    // fields sort by the first, more by the fourth; equal keys keep their
    // order; a capital section line and a line of commas are recognised.
    const std::string entries =
        "zulu,b\n"
        "1,2,3,\xC4rger\n"
        "1,2,3,apple,zzz\n"
        "x,y,z,ENGLISH\n"
        ",,,\n"
        "a,b,c,English\n"
        "q,r,s,Zebra\n";
    writeFile("kelmo.ini", "[LANGUAGE]\n" + entries + "\n" + kEof);
    ASSERT_EQ(countLanguageEntries(), 7);
    EXPECT_EQ(sortLanguageSection(7), 0);
    EXPECT_EQ(readFile("kelmo.ini"),
              "[LANGUAGE]\n,,,\n1,2,3,apple,zzz\nx,y,z,ENGLISH\na,b,c,English\n"
              "q,r,s,Zebra\nzulu,b\n1,2,3,\xC4rger\n\n" +
                  kEof);
}

TEST_F(SettingsFileTest, LongLinesArriveInPiecesOf299AndKeysAreBounded) {
    const std::string longName = "a,b,c," + std::string(250, 'N');
    const std::string x299(299, 'x'), x51(51, 'x');
    writeFile("kelmo.ini", "[language]\n" + longName + "\n" + x299 + x51 + "\n\n" + kEof);
    ASSERT_EQ(countLanguageEntries(), 3);
    EXPECT_EQ(sortLanguageSection(3), 0);
    EXPECT_EQ(readFile("kelmo.ini"), "[language]\n" + longName + "\n" + x51 + "\n" + x299 + "\n\n" + kEof);
}

TEST_F(SettingsFileTest, SortGivesUpWhenTheFileHoldsMoreEntriesThanCounted) {
    const std::string before = withEntries("a,b,c,B\na,b,c,A\n");
    writeFile("kelmo.ini", before);
    EXPECT_EQ(sortLanguageSection(1), -1);
    EXPECT_EQ(readFile("kelmo.ini"), before);
}

TEST_F(SettingsFileTest, RealFailuresLeaveTheFileAsItWas) {
    const std::string before = withEntries("a,b,c,B\na,b,c,A\n");
    writeFile("kelmo.ini", before);
    hostPlatform().failReplace = true;
    try {
        install(entry("a", "b", "c", "C"));
        FAIL() << "expected fatalError";
    } catch (const EarlyEnd& e) {
        EXPECT_EQ(e.message, "Can't replace DICT.INI");
    }
    EXPECT_EQ(readFile("kelmo.ini"), before);
    EXPECT_FALSE(fs::exists("tmp.ini"));
    // The sort loses only the order: its failures are told by -1, not fatal.
    ASSERT_EQ(countLanguageEntries(), 2);
    EXPECT_EQ(sortLanguageSection(2), -1);
    EXPECT_EQ(readFile("kelmo.ini"), before);
    EXPECT_FALSE(fs::exists("tmp.ini"));

    hostPlatform().failReplace = false;
    fs::create_directory("tmp.ini");
    try {
        appendLanguageEntry(entry("a", "b", "c", "C"));
        FAIL() << "expected fatalError";
    } catch (const EarlyEnd& e) {
        EXPECT_EQ(e.message, "Can't open TMP.INI");
    }
    ASSERT_EQ(countLanguageEntries(), 2);
    EXPECT_EQ(sortLanguageSection(2), -1);
    EXPECT_EQ(readFile("kelmo.ini"), before);

    fs::remove("tmp.ini");
    fs::remove("kelmo.ini");
    EXPECT_THROW(dropLanguageEntry("A"), EarlyEnd);
    fs::create_directory("kelmo.ini");  // opens, but every read fails
    EXPECT_EQ(countLanguageEntries(), -1);
    EXPECT_THROW(dropLanguageEntry("A"), EarlyEnd);

    // A kelmo.ini that exists but cannot be opened is reported, never
    // replaced by a new skeleton.
    fs::remove("kelmo.ini");
    writeFile("kelmo.ini", before);
    auto& open = hostPlatform().fault(FileOp::Open);
    open.failAt = open.calls + 1;
    try {
        createSettingsFile("s.wb");
        FAIL() << "expected fatalError";
    } catch (const EarlyEnd& e) {
        EXPECT_EQ(e.message, "Can't open DICT.INI");
    }
    EXPECT_EQ(readFile("kelmo.ini"), before);
}

namespace {

// Runs op once cleanly, then once for every k with the k-th call of each
// file operation failing. Every run must either do the whole change or
// leave kelmo.ini exactly as it was (absent when it was), with no tmp.ini.
// op returns whether it reports success; fatalError counts as failure.
void expectAllOrNothing(const std::string& before, const std::function<bool()>& op, bool mustFail) {
    auto prepare = [&] {
        fs::remove("kelmo.ini");
        if (!before.empty())
            writeFile("kelmo.ini", before);
        hostPlatform() = HostPlatform{};
    };
    prepare();
    ASSERT_TRUE(op());
    const std::string after = readFile("kelmo.ini");
    const HostPlatform clean = hostPlatform();
    forEachFileFault(clean, prepare, [&](FileOp) {
        bool succeeded = false;
        try {
            succeeded = op();
        } catch (const EarlyEnd&) {
        }
        if (mustFail) {
            EXPECT_FALSE(succeeded);
        }
        if (before.empty() && !succeeded) {
            EXPECT_FALSE(fs::exists("kelmo.ini"));
        } else {
            EXPECT_EQ(readFile("kelmo.ini"), succeeded ? after : before);
        }
        EXPECT_FALSE(fs::exists("tmp.ini"));
    });
}

}  // namespace

TEST_F(SettingsFileTest, EveryInjectedFailureLeavesTheFileWholeAndUnchanged) {
    const std::string before = withEntries("a,b,c,Spanish\na,b,c,English\n");
    expectAllOrNothing(before, [] { dropLanguageEntry("Spanish"); return true; }, true);
    expectAllOrNothing(before, [] { appendLanguageEntry(entry("a", "b", "c", "German")); return true; }, true);
    expectAllOrNothing(before, [] { return countLanguageEntries() == 2 && sortLanguageSection(2) == 0; }, true);
    // The first open only asks whether the file exists, so it may fail
    // without harm; every other failure must remove the partial skeleton.
    expectAllOrNothing("", [] { createSettingsFile("s.wb"); return fs::exists("kelmo.ini"); }, false);
}

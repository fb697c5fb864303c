// The language list language.cf: content lines, the split of a language
// line, and the driver that builds and records every language block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/BoundedText.h"
#include "run/ScriptSettings.h"
#include "settings/SettingsFile.h"
#include "tests/support/FileFaults.h"
#include "tests/support/HostPlatform.h"
#include "tests/support/ScratchDirTest.h"
#include "wordlist/LanguageList.h"
#include "wordlist/WordRecord.h"

namespace fs = std::filesystem;

namespace {

const std::string kHeader =
    "# --- kelmo.ini -------------------------------------------------\n\n[AddNew]\non\n\n[selected]\n";
const std::string kEof = "# --- EOF --------------------------------------------------------\n";

// A small FROM wordlist language/<name> of two records.
void writeFromList(const std::string& name) {
    fs::create_directories("language");
    std::ofstream out("language/" + name, std::ios::binary);
    for (auto [word, meanings] : {std::pair{"casa", "house,home"}, std::pair{"gatto", "cat"}}) {
        WordRecord record{};
        std::strncpy(record.word, word, kMaxWordLength);
        std::strncpy(record.meanings, meanings, kMaxMeaningsLength);
        out.write(reinterpret_cast<const char*>(&record), sizeof record);
    }
}

// Every content line of a list, as the driver reads them.
std::vector<std::string> contentTexts(const std::string& text) {
    std::vector<std::string> lines;
    for (const ListLine& line : contentLines(text))
        lines.push_back(line.text);
    return lines;
}

std::string fatalMessageOf(void (*op)()) {
    try {
        op();
    } catch (const EarlyEnd& e) {
        return e.message;
    }
    return "";
}

}  // namespace

class LanguageListTest : public ScratchDirTest {};

TEST_F(LanguageListTest, ContentLinesSkipCommentsAndComeInPiecesOf99) {
    const std::string long150(150, 'x');
    const std::string exact99(99, 'y');
    EXPECT_EQ(contentTexts("# comment\n\n   \n a # b\n#\n" + long150 + "\n" + exact99 + "\nlast"),
              (std::vector<std::string>{"   ", " a # b", std::string(99, 'x'), std::string(51, 'x'),
                                        exact99, "last"}));
}

TEST_F(LanguageListTest, SplitFollowsTheTokeniser) {
    struct Case {
        const char* line;
        int fields;
        const char* f1;
        const char* f2;
        const char* f3;
        const char* name;
    } cases[] = {
        {"a,,b,c,d", 4, "a", "b", "c", "d"},
        {"a,b,c,d,e", 4, "a", "b", "c", "d"},
        {"  a ,b,c, d ", 4, "  a ", "b", "c", " d "},
        {",,a,b,,,c,d,", 4, ",,a", "b", "c", "d"},
        {"   ", 1, "   ", "", "", ""},
        {",,,", 0, "", "", "", ""},
    };
    for (const Case& c : cases) {
        LanguageEntry e;
        e.keptFields[1] = "stale";
        EXPECT_EQ(splitLanguageLine(c.line, e), c.fields) << c.line;
        EXPECT_EQ(e.keptFields[0], c.f1) << c.line;
        EXPECT_EQ(e.keptFields[1], c.f2) << c.line;
        EXPECT_EQ(e.keptFields[2], c.f3) << c.line;
        EXPECT_EQ(e.displayName, c.name) << c.line;
    }
}

TEST_F(LanguageListTest, AListWithoutBlocksIsOnlyDeleted) {
    EXPECT_EQ(fatalMessageOf(processLanguageList), "Can't open LANGUAGE.CF");
    writeFile("language.cf", "# nothing here\n\n#\n");
    processLanguageList();
    EXPECT_FALSE(fs::exists("language.cf"));
    EXPECT_FALSE(fs::exists("kelmo.ini"));
    EXPECT_TRUE(hostPlatform().closingMessages.empty());
}

TEST_F(LanguageListTest, EveryBlockIsBuiltAndRecordedOnceUnderItsLastLine) {
    writeFromList("spa.wb");
    writeFromList("eng.wb");
    hostPlatform().collationAvailable = false;
    writeFile("language.cf",
              "# languages\n,,es,x,y,Spanish,ignored\nspa.wb\nspa-r.wb\n\n"
              "en,x,y,English\neng.wb\neng-r.wb\n"
              "es2,x,y,SPANISH\nspa.wb\nspa-r2.wb\n");
    processLanguageList();

    EXPECT_EQ(readFile("kelmo.ini"),
              kHeader + "spa.wb\n\n[language]\nen,x,y,English\nes2,x,y,SPANISH\n\n\n" + kEof);
    EXPECT_EQ(hostPlatform().closingMessages.size(), 3u);
    EXPECT_TRUE(fs::exists("language/spa-r.wb"));
    EXPECT_TRUE(fs::exists("language/eng-r.wb"));
    EXPECT_FALSE(fs::exists("language.cf"));
    ASSERT_EQ(hostPlatform().collationWarnings.size(), 3u);
    EXPECT_EQ(hostPlatform().collationWarnings[0],
              "Error setting LOCALE\nSort results may not be valid.\n\n"
              "Install multi-language support from your Windows cd-rom for this language.   ");
}

TEST_F(LanguageListTest, ABadBlockEndsTheRunAfterTheBlocksBeforeIt) {
    writeFromList("spa.wb");
    const std::string first = "es,x,y,Spanish\nspa.wb\nspa-r.wb\n";
    writeFile("language.cf", first + "   \nen,x,y,English\neng.wb\n");
    EXPECT_EQ(fatalMessageOf(processLanguageList), "Language line \"   \" has fewer than four fields");
    EXPECT_EQ(readFile("kelmo.ini"), kHeader + "spa.wb\n\n[language]\nes,x,y,Spanish\n\n\n" + kEof);
    EXPECT_TRUE(fs::exists("language.cf"));

    writeFile("language.cf", first + "en,x,y,English\neng.wb\n# no TO name\n");
    EXPECT_EQ(fatalMessageOf(processLanguageList), "LANGUAGE.CF ends inside a language block");
    EXPECT_EQ(hostPlatform().closingMessages.size(), 2u);

    fs::remove("language.cf");
    fs::create_directory("language.cf");  // opens, but cannot be read
    EXPECT_EQ(fatalMessageOf(processLanguageList), "Can't read LANGUAGE.CF");
}

// The run of two blocks once cleanly, then once for every k with the k-th
// call of each file operation failing (the word lists' and the settings
// file's calls counted together). A run either ends in fatalError, with
// kelmo.ini absent or whole as one of the steps left it, each TO wordlist
// absent or whole, and language.cf kept; or it does all the clean run does,
// but for a scratch word list or a language list whose deletion failed.
// tmp.ini is never left.
TEST_F(LanguageListTest, EveryFileFailureEndsTheRunOrLeavesTheCleanResult) {
    writeFromList("spa.wb");
    writeFromList("eng.wb");
    const std::string selected = kHeader + "spa.wb\n\n[language]\n";
    const std::vector<std::string> steps = {selected + "\n\n" + kEof, selected + "es,x,y,Spanish\n\n\n" + kEof,
                                            selected + "es,x,y,Spanish\nen,x,y,English\n\n\n" + kEof};
    const char* const lists[] = {"language/spa-r.wb", "language/eng-r.wb"};
    auto prepare = [&] {
        for (const char* name : {"kelmo.ini", "language/temp.wb", lists[0], lists[1]})
            fs::remove(name);
        writeFile("language.cf", "es,x,y,Spanish\nspa.wb\nspa-r.wb\nen,x,y,English\neng.wb\neng-r.wb\n");
        resetHostPlatform();
    };
    prepare();
    processLanguageList();
    ASSERT_EQ(readFile("kelmo.ini"), steps.back());
    const std::string whole[] = {readFile(lists[0]), readFile(lists[1])};
    ASSERT_FALSE(whole[0].empty());
    const HostPlatform clean = hostPlatform();

    forEachFileFault(clean, prepare, [&](FileOp op) {
        const bool fatal = fatalMessageOf(processLanguageList) != "";
        EXPECT_FALSE(fs::exists("tmp.ini"));
        if (!fatal) {
            // Only a deletion may fail without harm: of the scratch word
            // list, or of the language list itself, which then stays.
            EXPECT_EQ(op, FileOp::Remove);
            EXPECT_EQ(readFile("kelmo.ini"), steps.back());
            EXPECT_EQ(readFile(lists[0]), whole[0]);
            EXPECT_EQ(readFile(lists[1]), whole[1]);
            const HostPlatform::FileFault& remove = hostPlatform().fault(FileOp::Remove);
            EXPECT_TRUE(!fs::exists("language.cf") || remove.calls == remove.failAt);
            return;
        }
        if (fs::exists("kelmo.ini")) {
            EXPECT_NE(std::find(steps.begin(), steps.end(), readFile("kelmo.ini")), steps.end());
        }
        for (int i = 0; i < 2; ++i)
            EXPECT_TRUE(!fs::exists(lists[i]) || readFile(lists[i]) == whole[i]) << lists[i];
        EXPECT_TRUE(fs::exists("language.cf"));
    });
}

// A list in UTF-8 goes into kelmo.ini in the ANSI code page; the display
// file is read in the code page install.inf names. A list with a text that
// code page cannot write is refused before anything of it is built.
TEST_F(LanguageListTest, TextsAreDecodedAndKelmoIniIsWrittenInTheAnsiCodePage) {
    writeFromList("spa.wb");
    writeFile("readme.txt", "\x83\x5C");
    copyText(scriptSettings.displayFile, "readme.txt");
    scriptSettings.codePage = 932;
    writeFile("language.cf", "\xEF\xBB\xBF" "es,x,y,Espa\u00F1ol\nspa.wb\nspa-r.wb\n");
    EXPECT_EQ(unwritableLanguageText("language.cf"), "");
    processLanguageList();
    EXPECT_EQ(readFile("kelmo.ini"), kHeader + "spa.wb\n\n[language]\nes,x,y,Espa\xF1ol\n\n\n" + kEof);
    EXPECT_EQ(hostPlatform().closingMessages, std::vector<std::string>{"\u30BD"});

    const std::string settings = readFile("kelmo.ini");
    writeFile("language.cf", "es,x,y,Spanish\nspa.wb\nspa-r2.wb\nja,x,y,\x95\x5C\nspa.wb\nspa-r3.wb\n");
    EXPECT_EQ(unwritableLanguageText("language.cf"), "\u8868");
    EXPECT_EQ(fatalMessageOf(processLanguageList),
              "Can't write \"\u8868\" into DICT.INI: the system's code page has no \"\u8868\"");
    EXPECT_EQ(readFile("kelmo.ini"), settings);
    EXPECT_FALSE(fs::exists("language/spa-r2.wb"));
}

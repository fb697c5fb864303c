// The publishers' tool as a publisher meets it: every problem kind found
// with its line, a clean folder passing, bad input refused without partial
// output; and tables of the rules it shares with the installer.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/CodePage.h"
#include "core/TextFile.h"
#include "dicttool/Encoding.h"
#include "dicttool/FolderTree.h"
#include "setupscript/ScriptPlan.h"
#include "tests/dicttool/ToolRun.h"
#include "tests/support/ScratchDirTest.h"
#include "wordlist/LanguageList.h"
#include "wordlist/WordListCheck.h"

namespace fs = std::filesystem;

namespace {

std::string record(const std::string& word, const std::string& meanings) {
    std::string bytes(84, '\0');
    bytes.replace(0, word.size(), word);
    bytes.replace(31, meanings.size(), meanings);
    return bytes;
}

// The (line, kind) pairs of a check's JSON problems.
std::set<std::pair<int, std::string>> problemsOf(const std::string& json) {
    std::set<std::pair<int, std::string>> found;
    const nlohmann::json parsed = nlohmann::json::parse(json);
    for (const auto& p : parsed["problems"])
        found.emplace(p["line"].get<int>(), p["kind"].get<std::string>());
    return found;
}

using DicttoolTest = ScratchDirTest;

}  // namespace

// --- check: each problem kind on its line; a clean folder passes --------------

TEST_F(DicttoolTest, EveryProblemKindIsReportedWithItsLine) {
    const std::string longName(60, 'n');  // too long under the target below
    write("bad/install.inf",
          "title Problems\n"                     // 1
          "mkdir language\n"                     // 2
          "copy language.cf language.cf\n"       // 3
          "xcopy *.wb language\n"                // 4
          "copy nothere.txt a.txt\n"             // 5 missing-source
          "xcopy *.none .\n"                     // 6 empty-pattern
          "copy a.txt sub\\a.txt\n"              // 7 missing-directory
          "mkdir deep\\er\n"                     // 8 mkdir-order
          "mkdir deep\n"                         // 9
          "copy a.txt b.txt\n"                   // 10
          "copy a.txt B.TXT\n"                   // 11 duplicate-destination
          "copy a.txt " + longName + longName.substr(0, 20) + "\n"  // 12 path-too-long
          "copy a.txt language\n"                // 13 destination-is-folder
          "iconname Shortcut\n"                  // 14 shortcut-incomplete
          "iconexe missing.exe\n"                // 15 shortcut-target-missing
          "display nothere.txt\n"                // 16 display-missing
          "mkwlist\n"                            // 17
          "copy a.txt ..\\outside.txt\n"          // 18 leaves-target
          "xcopy *.wb aux\n");                  // 19 leaves-target
    write("bad/a.txt", "a\n");
    write("bad/from.wb", record("casa", "house") + std::string(2, '\0'));
    write("bad/bad.wb", std::string(84, 'x'));
    write("bad/ok.wb", record("libro", "book"));
    write("bad/language.cf",
          "a,b,c,One\nfrom.wb\ntemp.wb\n"                       // 1-3: from-size, name-reserved
          "a,b,c,Two\nmissing.wb\nout.wb\n"                     // 4-6: from-missing
          "a,b,c,Three\nbad.wb\nOUT.wb\n"                       // 7-9: unterminated-field, duplicate-to
          "only,three,fields\nok.wb\n" + longName + "\n"      // 10-12: too-few-fields, name-too-long
          "a,b,c,Out\nfrom.wb\n..\\outside.wb\n"                // 13-15: from-size, name-leaves-folder
          "a,b,c,Cut\nfrom.wb\n");                              // 16: block-cut-short
    const std::string target = "--target 'c:\\" + std::string(200, 't') + "'";

    const ToolRun run = dicttool("check --json " + target + " bad");
    EXPECT_EQ(run.status, 1) << run.err;
    const std::set<std::pair<int, std::string>> expected = {
        {5, "missing-source"}, {6, "empty-pattern"}, {7, "missing-directory"}, {8, "mkdir-order"},
        {11, "duplicate-destination"}, {12, "path-too-long"}, {13, "destination-is-folder"},
        {14, "shortcut-incomplete"}, {15, "shortcut-target-missing"}, {16, "display-missing"},
        {2, "from-size"}, {3, "name-reserved"}, {5, "from-missing"}, {8, "unterminated-field"},
        {9, "duplicate-to"}, {10, "too-few-fields"}, {12, "name-too-long"}, {14, "from-size"},
        {15, "name-leaves-folder"}, {16, "block-cut-short"}, {18, "leaves-target"}, {19, "leaves-target"}};
    EXPECT_EQ(problemsOf(run.out), expected) << run.out;

    // The same language list alone; and mkwlist without a copied list.
    EXPECT_EQ(problemsOf(dicttool("check-languages --json " + target + " bad/language.cf bad").out).size(), 10u);
    write("nolist/install.inf", "mkwlist\n");
    EXPECT_EQ(problemsOf(dicttool("check --json nolist").out),
              (std::set<std::pair<int, std::string>>{{1, "language-list-missing"}}));
}

TEST_F(DicttoolTest, ACleanFolderPassesAndItsPlanIsWhatTheScriptSays) {
    write("clean/install.inf",
          "dir d:\\dict\nmkdir language\nmkdir language\\sub\ncopy Readme.TXT read.txt\nxcopy data\\*.wb language\n"
          "sndcopy sounds language\\sub\nsetini Font=Times=New\niconname Dict\nicongroup Group\niconexe read.txt\n"
          "display READ.txt\nmkwlist\ncopy language.cf .\\language.cf\n# a comment\n  title spaced\n");
    write("clean/readme.txt", "hello\n");
    write("clean/language.cf", "it,en,1,Italiano\r\nfrom.wb\r\nto.wb\r\n");
    write("clean/data/from.wb", record("casa", "house, home"));
    write("clean/data/skip.txt", "not a match\n");
    write("clean/sounds/.hidden", "h");
    write("clean/sounds/a.wav", "w");
    fs::create_directories("clean/sounds/folder");

    const ToolRun run = dicttool("check --json clean");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json.size(), 4u) << "encodings, lines, plan and problems only";
    EXPECT_EQ(json["encodings"].size(), 3u) << "install.inf, the language list and the display file";
    const auto& plan = json["plan"];
    EXPECT_EQ(plan["target"], "d:\\dict\\");
    std::vector<std::string> copies;
    for (const auto& c : plan["copies"])
        copies.push_back(c["source"].get<std::string>() + ">" + c["destination"].get<std::string>());
    EXPECT_EQ(copies, (std::vector<std::string>{"readme.txt>read.txt", "data\\from.wb>language\\from.wb",
                                                "sounds\\.hidden>language\\sub\\.hidden",
                                                "sounds\\a.wav>language\\sub\\a.wav", "language.cf>language.cf"}));
    EXPECT_EQ(plan["ini"][0]["key"], "Font");
    EXPECT_EQ(plan["ini"][0]["value"], "Times=New");
    EXPECT_EQ(plan["shortcut"]["program"], "d:\\dict\\read.txt");
    EXPECT_EQ(plan["languages"][0]["reversedRecords"], 2);
    EXPECT_EQ(json["lines"].size(), 2 * 15u) << "each line as each pass reads it";
    EXPECT_EQ(json["lines"][28]["ignored"], "leading-space");
    EXPECT_NE(dicttool("check clean").out.find("No problems."), std::string::npos);
}

// Each text file is decoded as the installer decodes it, and the report
// says how; every invalid byte is named on its line. --encoding is the ANSI
// code page of the installer's system.
TEST_F(DicttoolTest, CheckTellsEachFilesCodePageAndNamesEveryInvalidByte) {
    write("jp/install.inf", "codepage 932\r\ntitle \x83\x5C\x83\r\nmkdir language\r\ncopy language.cf language.cf\r\n"
                            "copy from.wb language\\from.wb\r\ndisplay readme.txt\r\ncopy readme.txt readme.txt\r\n"
                            "mkwlist\r\n");
    write("jp/language.cf", "\xEF\xBB\xBFit,en,1,Italiano \u00E8\nfrom.wb\nto.wb\n");
    write("jp/readme.txt", "\x95\x5C\xFF\x80 \x80");
    write("jp/from.wb", record("casa", "house"));
    const ToolRun run = dicttool("check --json jp");
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["encodings"], nlohmann::json::parse(R"([
        {"file": "install.inf", "codePage": 932, "origin": "codepage-line", "line": 1},
        {"file": "language.cf", "codePage": 65001, "origin": "byte-order-mark", "line": null},
        {"file": "readme.txt", "codePage": 932, "origin": "codepage-line", "line": 1}])"));
    EXPECT_EQ(json["lines"][2]["argument"], "\u30BD\uFFFD");
    EXPECT_EQ(json["plan"]["languages"][0]["displayName"], "Italiano \u00E8");
    EXPECT_EQ(problemsOf(run.out), (std::set<std::pair<int, std::string>>{{2, "invalid-byte"}, {1, "invalid-byte"}}));
    EXPECT_NE(run.out.find("bytes 0xFF (column 3), 0x80 (column 4), 0x80 (column 6) begin no character of code page 932"),
              std::string::npos)
        << run.out;

    write("ru/install.inf", "title \xC7\xE4\xF0\xE0\xE2\xF1\xF2\xE2\xF3\xE9\xF2\xE5\ncodepage 1\n");
    const ToolRun cyrillic = dicttool("check --encoding windows-1251 ru");
    EXPECT_NE(cyrillic.out.find("title \"\u0417\u0434\u0440\u0430\u0432\u0441\u0442\u0432\u0443\u0439\u0442\u0435\""),
              std::string::npos)
        << cyrillic.out;
    EXPECT_NE(cyrillic.out.find("install.inf: code page 1251 (the ANSI code page)"), std::string::npos);
    EXPECT_NE(cyrillic.out.find("install.inf:2: unknown-codepage"), std::string::npos);
    EXPECT_EQ(dicttool("check --encoding 1234 ru").status, 2);
}

// --- bad input: a clear error, exit 1, nothing left behind --------------------

TEST_F(DicttoolTest, BadInputIsRefusedWithoutPartialOutput) {
    write("none/readme.txt", "");
    write("folder/install.inf/x", "");
    write("binary/install.inf", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    write("odd.wb", record("casa", "house") + "xx");
    write("notab.txt", "casa\thouse\nlibro book\n");
    write("long.txt", std::string(31, 'w') + "\tx\nw\t" + std::string(51, 'm') + "\n");
    write("foreign.txt", "casa\tmaison\n\xE6\x97\xA5\tday\n");
    write("good.txt", "casa\thouse\n");
    write("good.wb", record("casa", "house"));
    write("keep.wb", "kept");
    struct Case {
        const char* arguments;
        int status;
        const char* error;      // part of standard error
        const char* untouched;  // a path that must not exist afterwards, or must keep "kept"
    } const cases[] = {
        {"check none", 1, "no install.inf in none", nullptr},
        {"check --json folder", 1, "it is a folder", nullptr},
        {"check binary", 1, "not a text file: a zero byte at offset 8 (line 3)", nullptr},
        {"dump odd.wb", 1, "86 bytes, not a whole number of 84-byte records", nullptr},
        {"reverse odd.wb out.wb", 1, "not a whole number", "out.wb"},
        {"pack notab.txt keep.wb", 1, "line 2: no tab", "keep.wb"},
        {"pack long.txt out.wb", 1, "line 1: headword of 31 characters, over 30", "out.wb"},
        {"pack long.txt out.wb", 1, "line 2: translations of 51 characters, over 50", "out.wb"},
        {"pack foreign.txt out.wb", 1, "line 2: byte 1 starts no UTF-8 character that Windows-1252", "out.wb"},
        {"pack good.txt nofolder/out.wb", 1, "cannot write nofolder/out.wb", "nofolder"},
        {"reverse good.wb nofolder/out.wb", 1, "cannot make a scratch folder in", "nofolder"},
        {"reverse good.wb none", 1, "cannot write none: it is a folder", "none/.dicttool-0"},
        {"frobnicate", 2, "", nullptr},
        {"check", 2, "SOURCE_DIR is required", nullptr},
        {"pack --encoding latin9 good.txt out.wb", 2, "latin9", "out.wb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun run = dicttool(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        if (c.untouched && std::string(c.untouched) == "keep.wb") {
            EXPECT_EQ(readFile("keep.wb"), "kept");
        } else if (c.untouched) {
            EXPECT_FALSE(fs::exists(c.untouched));
        }
        for (const auto& entry : fs::directory_iterator("."))
            EXPECT_EQ(entry.path().filename().string().find(".dicttool-"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(dicttool("--help").status, 0);
    EXPECT_NE(dicttool("pack --help").out.find("Example"), std::string::npos);
}

TEST_F(DicttoolTest, PackAndDumpRoundTripAndReverseBuildsLikeTheInstaller) {
    // Windows-1252 letters, the euro sign and the bytes Windows leaves undefined.
    const std::string records = record("citt\xE0", "town, city") + record("\x80uro", "euro\x81") + record("", ",, ");
    write("list.wb", records);
    const ToolRun dumped = dicttool("dump list.wb");
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out, "citt\xC3\xA0\ttown, city\n\xE2\x82\xACuro\teuro\xC2\x81\n\t,, \n");
    write("list.txt", dumped.out);
    ASSERT_EQ(dicttool("pack --encoding UTF-8 list.txt again.wb").status, 0);
    EXPECT_EQ(readFile("again.wb"), records);
    write("ansi.txt", "citt\xE0\ttown, city\r\n\x80uro\teuro\x81\r\n\t,, ");
    ASSERT_EQ(dicttool("pack --encoding windows-1252 ansi.txt ansi.wb").status, 0);
    EXPECT_EQ(readFile("ansi.wb"), records);

    // A record whose text cannot give its bytes back is said so.
    write("dirty.wb", record("casa", "house") .replace(40, 1, "x"));
    const ToolRun dirty = dicttool("dump dirty.wb");
    EXPECT_EQ(dirty.status, 1);
    EXPECT_NE(dirty.err.find("record 1"), std::string::npos) << dirty.err;

    const ToolRun reversed = dicttool("reverse list.wb to.wb");
    ASSERT_EQ(reversed.status, 0) << reversed.err;
    EXPECT_NE(reversed.out.find("folding comparison"), std::string::npos);
    EXPECT_EQ(readFile("to.wb"), record("", "") + record("city", "citt\xE0") + record("euro\x81", "\x80uro") +
                                     record("town", "citt\xE0"));
}

// --- the rules shared with the installer --------------------------------------

TEST(DicttoolRules, EachPassReadsALineAsTheInstallerDoes) {
    struct Row {
        const char* text;
        bool remainder;
        ScriptPass pass;
        const char* keyword;
        const char* ignored;
        const char* taken;  // argument, "first|second" operands, or "key=value"
    } const rows[] = {
        {"Title  My dictionary ", false, ScriptPass::PreRead, "title", "", " My dictionary "},
        {"title x", false, ScriptPass::Execution, "", "other-pass", ""},
        {"directory c:\\d", false, ScriptPass::PreRead, "dir", "", "c:\\d"},
        {"debug", false, ScriptPass::PreRead, "debug", "", ""},
        {"dir", false, ScriptPass::PreRead, "dir", "missing-argument", ""},
        {"copyfiles  a.txt  b\\c.txt extra", false, ScriptPass::Execution, "copy", "", "a.txt|b\\c.txt"},
        {"xcopy *.wb", false, ScriptPass::Execution, "xcopy", "missing-operand", ""},
        {"setini Font=Times=x", false, ScriptPass::Execution, "setini", "", "Font=Times=x"},
        {"setini Font", false, ScriptPass::Execution, "setini", "missing-argument", ""},
        {"mkwlist", false, ScriptPass::Execution, "mkwlist", "", ""},
        {"cpy a b", false, ScriptPass::Execution, "", "unknown-word", ""},
        {" copy a b", false, ScriptPass::Execution, "", "leading-space", ""},
        {"xtra words", true, ScriptPass::PreRead, "", "remainder", ""},
        {"copy a b", true, ScriptPass::Execution, "copy", "", "a|b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const LineReading r = readLineInPass(row.pass, ScriptPiece{1, row.remainder, false, row.text});
        EXPECT_STREQ(row.pass == ScriptPass::PreRead ? keywordName(r.preRead) : keywordName(r.execution), row.keyword);
        EXPECT_STREQ(ignoredName(r.ignored), row.ignored);
        const std::string taken = r.hasOperands ? r.first + "|" + r.second
                                  : r.hasKeyValue ? r.key + "=" + r.value
                                  : r.ignored == LineIgnored::NotIgnored ? r.argument : "";
        EXPECT_EQ(taken, row.taken);
    }
    EXPECT_EQ(folderCopyDestination("c:\\t\\", ".", "a.wav"), "c:\\t\\.\\a.wav");
    EXPECT_EQ(patternFolder("docs/sub\\*.txt"), "docs/sub\\");
}

// Both readers number their reads by the file's lines: comments count, and
// the pieces of a line over 99 characters share its number.
TEST(DicttoolRules, ReadsKnowTheirFileLines) {
    const std::string text = "# c\n" + std::string(150, 'x') + "\n\ncopy a b";
    std::vector<std::string> pieces;
    readScriptPieces(text, [&](const ScriptPiece& p) {
        pieces.push_back(std::to_string(p.lineNumber) + (p.remainder ? "r" : "") + (p.comment ? "c" : ""));
    });
    EXPECT_EQ(pieces, (std::vector<std::string>{"1c", "2", "2r", "3c", "4"}));

    std::vector<int> lines;
    for (const ListLine& line : contentLines("# c\n\nit,en,1,x\n" + std::string(120, 'f') + "\nto.wb"))
        lines.push_back(line.line);
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 4, 5}));
}

TEST(DicttoolRules, PathsAndPatternsFollowWindows) {
    struct Row {
        const char* path;
        const char* normal;  // nullptr: refused
    } const paths[] = {{"a\\b/c", "a\\b\\c"}, {".\\a\\..\\b\\", "b"}, {".", ""},     {"name. .", "name"},
                       {"..\\x", nullptr},     {"c:\\x", nullptr},    {"\\x", nullptr}};
    for (const Row& row : paths) {
        std::string normal;
        EXPECT_EQ(normalRelativePath(row.path, normal), row.normal != nullptr) << row.path;
        if (row.normal) {
            EXPECT_EQ(normal, row.normal) << row.path;
        }
    }
    struct Match {
        const char* name;
        const char* pattern;
        bool matches;
    } const matches[] = {{"Data.WB", "*.wb", true},     {"data.wbx", "*.wb", false}, {"readme", "*.*", true},
                         {"readme", "readme.*", true}, {"a1.bin", "a?.bin", true},  {"a.bin", "a?.bin", false},
                         {"\xC0mbito", "\xE0*", true}};
    for (const Match& m : matches)
        EXPECT_EQ(matchesPattern(m.name, m.pattern), m.matches) << m.name << " " << m.pattern;
    // The builder's scratch file, as the builder resolves a word-list name.
    for (const auto& [name, reserved] : {std::pair<const char*, bool>{"TEMP.WB. ", true}, {"sub\\..\\temp.wb", true},
                                         {"..\\language/temp.wb", true}, {"sub\\temp.wb", false},
                                         {"..\\..\\temp.wb", false}, {"temp.wbx", false}})
        EXPECT_EQ(isScratchName(name), reserved) << name;
}

TEST(DicttoolRules, EveryWindows1252ByteSurvivesUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    std::string back;
    std::size_t badAt = 0;
    ASSERT_TRUE(utf8ToWindows1252(windows1252ToUtf8(all), back, badAt));
    EXPECT_EQ(back, all);
    EXPECT_FALSE(utf8ToWindows1252("ok \xE2\x82", back, badAt)) << "a cut sequence";
    EXPECT_EQ(badAt, 3u);
    EXPECT_EQ(windowsTextMode("a\r\nb\r\rc\x1A" "d"), "a\nb\r\rc");
}

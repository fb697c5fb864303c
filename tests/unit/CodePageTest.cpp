// The text files' code pages: how install.inf is decoded (byte order mark,
// codepage line, the ANSI code page, invalid bytes), paths of double-byte
// code pages once decoded, and the texts the ANSI code page cannot write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/BoundedText.h"
#include "core/CodePage.h"
#include "record/InstallRecord.h"
#include "core/PathText.h"
#include "run/ScriptSettings.h"
#include "setupscript/ScriptPlan.h"
#include "setupscript/SetupScript.h"
#include "tests/support/ScratchDirTest.h"

namespace {

// The script of the source folder "": on the host the backslash that
// joins them is part of the file's name.
void writeScript(const std::string& bytes) {
    scriptSettings.sourceDir[0] = '\0';
    writeFile("\\install.inf", bytes);
}

std::string invalidOf(const DecodedText& decoded) {
    std::string out;
    for (const InvalidByte& b : decoded.invalid)
        out += std::to_string(b.line) + ":" + std::to_string(b.column) + ":" + std::to_string(b.value) + " ";
    return out;
}

}  // namespace

class CodePageTest : public ScratchDirTest {};

TEST_F(CodePageTest, ScriptIsDecodedByByteOrderMarkThenCodePageLineThenTheAnsiCodePage) {
    struct Row {
        const char* name;
        unsigned ansi;
        std::string bytes, text;
        CodePageOrigin origin;
        unsigned codePage, named;
        std::string invalid;  // line:column:byte
    } const rows[] = {
        {"ansi", 1252, "title Caff\xE8\r\n", "title Caff\u00E8\n", CodePageOrigin::Default, 1252, 0, ""},
        {"double-byte ansi", 932, "dir c:\\\x83\x5C\n", "dir c:\\\u30BD\n", CodePageOrigin::Default, 932, 0, ""},
        {"byte order mark", 1252, "\xEF\xBB\xBFtitle Caff\u00E8", "title Caff\u00E8", CodePageOrigin::ByteOrderMark,
         65001, 0, ""},
        {"a later codepage line decodes the whole file", 1252, "title \x95\x5C\r\ncodepage 932 \r\n",
         "title \u8868\ncodepage 932 \n", CodePageOrigin::Named, 932, 932, ""},
        {"the mark wins; the line still names the other files'", 1252, "\xEF\xBB\xBF" "codepage 932\n\u00E9",
         "codepage 932\n\u00E9", CodePageOrigin::ByteOrderMark, 65001, 932, ""},
        {"unknown code page", 1252, "codepage 1234\n\xE8", "codepage 1234\n\u00E8", CodePageOrigin::Default, 1252, 0,
         ""},
        {"no number", 1252, "codepage 932x\n", "codepage 932x\n", CodePageOrigin::Default, 1252, 0, ""},
        {"only the first line counts", 1252, "codepage 1234\ncodepage 932\n", "codepage 1234\ncodepage 932\n",
         CodePageOrigin::Default, 1252, 0, ""},
        {"invalid double-byte", 1252, "codepage 932\ntitle \x83\n\x95\x5C\xFF",
         "codepage 932\ntitle \uFFFD\n\u8868\uFFFD", CodePageOrigin::Named, 932, 932, "2:7:131 3:3:255 "},
        {"invalid UTF-8", 1252, "\xEF\xBB\xBF" "a\xC3(\n\xED\xA0\x80", "a\uFFFD(\n\uFFFD\uFFFD\uFFFD",
         CodePageOrigin::ByteOrderMark, 65001, 0, "1:2:195 2:1:237 2:2:160 2:3:128 "},
        {"text mode", 1252, "a\r\r\nb\x1A" "c", "a\r\nb", CodePageOrigin::Default, 1252, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        hostPlatform().ansiCodePage = row.ansi;
        const DecodedText decoded = decodeSetupScript(row.bytes);
        EXPECT_EQ(decoded.text, row.text);
        EXPECT_EQ(decoded.origin, row.origin);
        EXPECT_EQ(decoded.codePage, row.codePage);
        EXPECT_EQ(namedCodePage(row.bytes), row.named);
        EXPECT_EQ(invalidOf(decoded), row.invalid);
    }
    // A script that opens but cannot be read is not taken for an empty one.
    scriptSettings.sourceDir[0] = '\0';
    std::filesystem::create_directory("\\install.inf");
    try {
        preReadSetupScript();
        ADD_FAILURE() << "expected fatalError";
    } catch (const EarlyEnd& e) {
        EXPECT_EQ(e.message, "Can't read INSTALL.INF");
    }
}

// 99 characters a read, whatever the bytes of the code page: the same
// reads from a file in Windows-1252 and from one in UTF-8.
TEST_F(CodePageTest, ReadsCountCharactersAndNeverCutOne) {
    std::string ansi = "title ", utf8 = "\xEF\xBB\xBFtitle ";
    for (int i = 0; i < 120; ++i) {
        ansi += "\x80";
        utf8 += "\u20AC";
    }
    std::vector<std::string> fromAnsi, fromUtf8;
    readScriptLines(decodeSetupScript(ansi).text, [&](const char* line) { fromAnsi.emplace_back(line); });
    readScriptLines(decodeSetupScript(utf8).text, [&](const char* line) { fromUtf8.emplace_back(line); });
    ASSERT_EQ(fromAnsi.size(), 2u);
    EXPECT_EQ(fromAnsi, fromUtf8);
    EXPECT_EQ(fromAnsi[1].size(), 27u * 3) << "the 27 characters after the first 99";

    preReadLine(fromUtf8[0].c_str());
    EXPECT_EQ(std::string(scriptSettings.title).size(), 93u * 3) << "a value of 93 characters of 3 bytes fits whole";
    char small[5];
    copyText(small, "a\u00E9\u20AC");
    EXPECT_STREQ(small, "a\u00E9") << "a cut copy ends before the character that does not fit";
}

// A Shift-JIS trail byte may be a backslash or a letter: once decoded, no
// such byte is left to split a path at or to fold.
TEST_F(CodePageTest, DoubleBytePathsSplitAndCompareByTheirCharacters) {
    writeScript("codepage 932\r\ndir c:\\\x83\x5C\\\x95\x5C\\..\\x\r\n");
    preReadSetupScript();
    EXPECT_STREQ(scriptSettings.defaultDir, "c:\\\u30BD\\\u8868\\..\\x");
    EXPECT_EQ(scriptSettings.codePage, 932u);
    EXPECT_EQ(normalRecordPath(scriptSettings.defaultDir, ""), "c:\\\u30BD\\x");
    EXPECT_EQ(patternFolder("\u30BD\\*.wb"), "\u30BD\\");

    struct Within {
        const char* path;
        const char* root;
        bool within;
    } const rows[] = {
        {"c:\\\u30BD\\x", "c:\\\u30BD", true},
        {"c:\\\u30A2\\x", "c:\\\u30C2", false},  // 0x8341 and 0x8361: "A" and "a" as trail bytes
        {"C:\\\u00C6R\u00D8\\x", "c:\\\u00E6r\u00F8", true},
        {"c:\\\u0141UKASZ\\x", "C:\\\u0142ukasz", true},
        {"c:\\\u8868x", "c:\\\u8868", false},
    };
    for (const Within& row : rows)
        EXPECT_EQ(pathWithin(row.path, row.root, false), row.within) << row.path << " in " << row.root;
}

TEST_F(CodePageTest, TextsTheAnsiCodePageCannotWriteAreNamed) {
    struct Row {
        unsigned ansi;
        const char* path;
        const char* problem;
    } const rows[] = {
        {1252, "c:\\dizionario_\u6D4B\u8BD5", "\u6D4B"},
        {1252, "c:\\\u00C6r\u00F8 \u20AC", ""},
        {932, "c:\\\u00C6r\u00F8", "\u00C6"},
        {932, "c:\\\u8868", ""},
        {1252, "c:\\\xC3(", "\xC3"},
    };
    for (const Row& row : rows) {
        hostPlatform().ansiCodePage = row.ansi;
        EXPECT_EQ(targetNameProblem(row.path), row.problem) << row.path << " in " << row.ansi;
    }
    hostPlatform().ansiCodePage = 1252;
    std::string ansi, unwritable;
    ASSERT_TRUE(toAnsi("Caff\u00E8", ansi, unwritable));
    EXPECT_EQ(ansi, "Caff\xE8");

    writeScript("\xEF\xBB\xBF" "avidelay 250\nsetini Caff\u00E8=Na\u00EFve\nsetini Name=\u8868\n");
    EXPECT_EQ(unwritableSetting(), "\u8868");
}

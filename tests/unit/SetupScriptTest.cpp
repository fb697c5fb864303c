// The setup script's line syntax: reading, comments, keyword test, argument,
// operand and key-value forms, and the pre-read of the display settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/ScriptSettings.h"
#include "core/PathText.h"
#include "setupscript/ProgramsFolder.h"
#include "setupscript/SetupScript.h"
#include "tests/support/HostPlatform.h"

namespace {

// The lines the reading loop hands on for a script of the given bytes.
std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    readScriptLines(decodeSetupScript(bytes).text, [&](const char* line) { lines.emplace_back(line); });
    return lines;
}

void preRead(const std::string& bytes) {
    for (const std::string& line : linesOf(bytes))
        preReadLine(line.c_str());
}

class SetupScriptTest : public ::testing::Test {
protected:
    void SetUp() override { resetHostPlatform(); }
};

}  // namespace

TEST_F(SetupScriptTest, ReadingSkipsCommentsAndRemovesOneLineFeed) {
    // CR LF arrives as LF in text mode on Windows; a last line without a line
    // end is read all the same; only the first column makes a comment.
    EXPECT_EQ(linesOf("title A\n\n# note\n #not a comment\ndir x  \ncopy a b"),
              (std::vector<std::string>{"title A", " #not a comment", "dir x  ", "copy a b"}));
    EXPECT_EQ(linesOf("a\n\n\n"), (std::vector<std::string>{"a"}));
}

TEST_F(SetupScriptTest, LongLinesArriveInPiecesOf99) {
    std::string longLine(150, 'x');
    longLine.replace(99, 5, "title");
    auto lines = linesOf(longLine + "\nnext\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], longLine.substr(0, 99));
    EXPECT_EQ(lines[1], longLine.substr(99));
    EXPECT_EQ(lines[2], "next");
    // A line of 98 characters and its line feed is read whole.
    std::string exact(98, 'y');
    EXPECT_EQ(linesOf(exact + "\nz\n"), (std::vector<std::string>{exact, "z"}));
}

TEST_F(SetupScriptTest, KeywordIsACaseInsensitivePrefixOfItsLength) {
    EXPECT_TRUE(carriesKeyword("TITLE x", "title"));
    EXPECT_TRUE(carriesKeyword("titlebar x", "title"));
    EXPECT_TRUE(carriesKeyword("directory c:\\x", "dir"));
    EXPECT_TRUE(carriesKeyword("copyfiles a b", "copy"));
    EXPECT_FALSE(carriesKeyword("tit", "title"));
    EXPECT_FALSE(carriesKeyword(" title x", "title"));
    // Only A to Z fold: a byte that folds in some code pages does not.
    EXPECT_FALSE(carriesKeyword("t\xC9tle x", "t\xE9tle"));
    EXPECT_EQ(executionKeyword("XCOPY *.txt ."), ScriptKeyword::XCopy);
    EXPECT_EQ(executionKeyword("copy a b"), ScriptKeyword::Copy);
    EXPECT_EQ(executionKeyword("title copy"), ScriptKeyword::None);
    EXPECT_EQ(executionKeyword("mkwlist whatever"), ScriptKeyword::MkWList);
}

TEST_F(SetupScriptTest, ArgumentFollowsTheFirstSpace) {
    EXPECT_STREQ(keywordArgument("titlebar Hello World "), "Hello World ");
    EXPECT_STREQ(keywordArgument("title:x  two"), " two");
    EXPECT_STREQ(keywordArgument("avidelay "), "");
    EXPECT_EQ(keywordArgument("title\tx"), nullptr);

    std::string first, second;
    ASSERT_TRUE(splitOperands("  copy   a.txt  sub\\b.txt extra", first, second));
    EXPECT_EQ(first, "a.txt");
    EXPECT_EQ(second, "sub\\b.txt");
    EXPECT_FALSE(splitOperands("copy onlyone  ", first, second));

    std::string key, value;
    ASSERT_TRUE(splitKeyValue(" Key =a=b ", key, value));
    EXPECT_EQ(key, " Key ");
    EXPECT_EQ(value, "a=b ");
    EXPECT_FALSE(splitKeyValue("novalue", key, value));
}

TEST_F(SetupScriptTest, PreReadTakesTheDisplaySettings) {
    preRead("title  First \r\ncopy a b\nTITLE Second  \nwbarg -x -y\ndirectory d:\\dict\n");
    EXPECT_STREQ(scriptSettings.title, "Second  ");
    EXPECT_STREQ(scriptSettings.defaultDir, "d:\\dict");
    EXPECT_STREQ(scriptSettings.shortcutArguments, "-x -y");
    EXPECT_EQ(scriptSettings.verbose, 1);
}

TEST_F(SetupScriptTest, PreReadIgnoresOtherLinesAndLinesWithoutArgument) {
    preRead("#title hidden\n title spaced\nmkdir x\ntitle\ndebug 0\n");
    EXPECT_STREQ(scriptSettings.title, "");
    EXPECT_STREQ(scriptSettings.defaultDir, "c:\\");
    EXPECT_EQ(scriptSettings.verbose, 1);
}

TEST_F(SetupScriptTest, PreReadBoundsEveryValue) {
    // A value longer than its field is cut at the field's capacity.
    std::string huge = "title " + std::string(400, 'h');
    preReadLine(huge.c_str());
    EXPECT_EQ(std::string(scriptSettings.title), std::string(kValueCapacity - 1, 'h'));
}

TEST_F(SetupScriptTest, SlashIsAddedOnlyWhenMissing) {
    EXPECT_EQ(withBackslash("c:\\"), "c:\\");
    EXPECT_EQ(withBackslash("c:\\src"), "c:\\src\\");
    EXPECT_EQ(joinPath("c:\\", "a"), "c:\\a");
}

TEST_F(SetupScriptTest, MissingScriptIsFatal) {
    copyText(scriptSettings.sourceDir, "/nonexistent/dir");
    try {
        preReadSetupScript();
        FAIL() << "expected fatalError";
    } catch (const EarlyEnd& e) {
        EXPECT_EQ(e.message, "Can't open INSTALL.INF");
        EXPECT_EQ(e.exitCode, 1);
    }
}

// SYSTEM, as a deployment system starts the installer, has no desktop of
// its own: its shortcut goes where every user sees it, as an elevated
// administrator's does.
TEST(ProgramsFolder, TheShortcutGoesWhereThePersonAtTheDesktopSeesIt) {
    const struct {
        DesktopAccount account;
        ProgramsFolder folder;
    } cases[] = {
        {{true, false, false}, ProgramsFolder::AllUsers},  // SYSTEM, no shell
        {{true, true, true}, ProgramsFolder::AllUsers},    // SYSTEM, also when it owns the shell
        {{false, true, false}, ProgramsFolder::AllUsers},  // another administrator's password
        {{false, true, true}, ProgramsFolder::User},
        {{false, false, false}, ProgramsFolder::User},  // the desktop cannot be asked
    };
    for (const auto& c : cases)
        EXPECT_EQ(programsFolderFor(c.account), c.folder)
            << c.account.runsAsSystem << c.account.desktopKnown << c.account.sameAsDesktop;
}

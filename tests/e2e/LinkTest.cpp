// Links in an existing target: a folder or file of the installation that a
// user of the machine has replaced by a symbolic link to a folder outside.
// Nothing is written, read back or deleted through the link, and the run
// says so: a copy is a failed step (exit 2), a word list or kelmo.ini ends
// the run with its error (exit 1), each with a log line.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace e2e;

namespace {

struct LinkCase {
    const char* name;
    const char* script;      // after the title line
    const char* link;        // the name in the target that is a link to the outside folder
    DWORD exitCode;
    const char* logged;      // a line of the log that names the link
};

const LinkCase kCases[] = {
    {"copy through a linked folder and onto a linked file",
     "mkdir language\ncopy readme.txt readme.txt\ncopy from.wb language\\from.wb\n", "language", 2,
     "A link (junction or symbolic link) stands where a folder or file of the installation should be"},
    // The language folder is checked before the build: a failed step.
    {"word lists in a linked folder",
     "copy language.cf language.cf\nmkwlist\n", "language", 2,
     "language is a link to another place"},
    {"kelmo.ini that is a link", "copy language.cf language.cf\nmkwlist\n", "kelmo.ini", 1,
     "error: Can't open DICT.INI: a link stands in its place"},
};

}  // namespace

TEST(Links, NothingIsWrittenReadOrDeletedThroughALinkInTheTarget) {
    Workspace work;
    int number = 0;
    for (const LinkCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::string run = work.path(std::to_string(++number));
        const std::string target = joinPath(run, "target"), outside = joinPath(run, "outside");
        const std::string log = joinPath(run, "install.log");
        makeDirectories(target);
        makeDirectories(outside);
        const std::string outsideFile = joinPath(outside, "readme.txt");
        writeFile(outsideFile, "not the dictionary's\r\n");
        writeFile(joinPath(outside, "from.wb"), wordRecord("gatto", "cat"));
        writeFile(joinPath(outside, "kelmo.ini"), "outside's own\r\n");
        const std::vector<std::string> outsideBefore = listTree(outside);
        const std::string linked = joinPath(target, c.link);
        if (!makeLink(linked, std::string(c.link) == "kelmo.ini" ? joinPath(outside, "kelmo.ini") : outside))
            GTEST_SKIP() << "no link can be made here";
        // A file of the target that is a link too, for the copy onto it.
        const std::string linkedFile = joinPath(target, "readme.txt");
        ASSERT_TRUE(std::string(c.link) != "language" || makeLink(linkedFile, outsideFile));

        const std::string source = work.makeSource(
            std::string("title Sample Italian Dictionary\n") + c.script,
            {{"readme.txt", "Sample dictionary\r\n"},
             {"from.wb", wordRecord("casa", "home")},
             {"language.cf", "1,2,3,Italian\r\nfrom.wb\r\nto.wb\r\n"}},
            std::to_string(number) + "\\source");
        Installer app(source, installerPath(), "/VERYSILENT /DIR=\"" + target + "\" /LOG=\"" + log + "\"");
        EXPECT_EQ(app.waitForExit(), c.exitCode);

        EXPECT_EQ(listTree(outside), outsideBefore);
        EXPECT_EQ(contentOf(outsideFile), "not the dictionary's\r\n");
        EXPECT_EQ(contentOf(joinPath(outside, "from.wb")), wordRecord("gatto", "cat"));
        EXPECT_EQ(contentOf(joinPath(outside, "kelmo.ini")), "outside's own\r\n");
        const std::string text = contentOf(log);
        EXPECT_NE(text.find(c.logged), std::string::npos) << text;
        removeLink(linked);
        removeLink(linkedFile);
    }
}

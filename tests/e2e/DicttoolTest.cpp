// The publishers' tool against the installer it describes: the plan that
// `dicttool check` prints is what install.exe then really does to the target
// directory, and `dicttool reverse` writes the installer's TO wordlist byte
// for byte, both under the system's Italian comparison.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "Harness.h"
#include "WordListSupport.h"

using namespace e2e;

namespace {


std::string folded(std::string path) {
    std::transform(path.begin(), path.end(), path.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return path;
}

}  // namespace

// Patterns with and without a folder part, folder copies of hidden, system
// and read-only files, "." destinations, copies that overwrite a file of the
// target or of an earlier line, a folder the target already holds, and steps
// that fail (a source that is not there is passed over; a folder not made
// yet gets the error box, answered with Ignore): the target holds exactly
// the planned files with the contents of their last copies, the planned
// folders, and what it held before.
TEST(DicttoolPlan, EqualsWhatTheInstallerDoes) {
    Workspace work;
    const std::string target = work.path("target");
    const std::string source = work.makeSource(
        "mkdir out\nmkdir out\\deep\nxcopy *.dat out\nxcopy docs\\*.txt out\\deep\nxcopy *.txt .\n"
        "sndcopy special snd\nmkdir snd\nsndcopy special snd\nsndcopy plain .\ncopy one.txt one.txt\n"
        "copy two.dat out\\data1.dat\ncopy notes.txt pre\\notes.txt\nxcopy a?.bin out\ncopy nothere.txt x.txt\n",
        {{"data1.dat", "data one\n"}, {"two.dat", "data two\n"}, {"data2.dat\\inner.dat", "in a folder\n"},
         {"docs\\a.txt", "docs a\n"}, {"docs\\c.dat", "docs c\n"}, {"notes.txt", "notes\n"}, {"one.txt", "new one\n"},
         {"special\\hidden.bin", "hidden\n"}, {"special\\system.bin", "system\n"}, {"special\\readonly.bin", "ro\n"},
         {"special\\nested\\skip.bin", "nested\n"}, {"plain\\p.cfg", "plain\n"}, {"a1.bin", "a1\n"},
         {"ab.bin", "ab\n"}, {"abc.bin", "abc\n"}});
    for (const auto& [name, attribute] : {std::pair<const char*, DWORD>{"special\\hidden.bin", FILE_ATTRIBUTE_HIDDEN},
                                          {"special\\system.bin", FILE_ATTRIBUTE_SYSTEM},
                                          {"special\\readonly.bin", FILE_ATTRIBUTE_READONLY}})
        ASSERT_TRUE(SetFileAttributesA(joinPath(source, name).c_str(), attribute)) << name;
    writeFile(joinPath(target, "one.txt"), "old one\n");
    writeFile(joinPath(target, "kept.txt"), "kept\n");
    makeDirectories(joinPath(target, "pre"));
    const std::vector<std::string> before = listTree(target);

    const std::string planFile = work.path("plan.json");
    EXPECT_EQ(runTool("check --json --target \"" + target + "\" \"" + source + "\"", planFile), 1u)
        << "the failing steps are problems";
    const nlohmann::json plan = nlohmann::json::parse(readFile(planFile).value_or("{}"))["plan"];
    ASSERT_TRUE(plan.is_object()) << contentOf(planFile);
    // The three files of the sndcopy into a folder not made yet fail.
    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    for (int failed = 0; failed < 3; ++failed) {
        auto box = app.waitForMessageBox("Error");
        ASSERT_TRUE(box) << app.describeWindows();
        ASSERT_TRUE(app.answer(*box, IDIGNORE));
    }
    auto warning = app.waitForMessageBox("Install");
    ASSERT_TRUE(warning) << app.describeWindows();
    EXPECT_EQ(warning->text.rfind("3 steps", 0), 0u) << warning->text;
    ASSERT_TRUE(app.answer(*warning));
    ASSERT_EQ(app.waitForExit(), 2u);

    // The planned result: each destination with the source of its last copy.
    std::map<std::string, std::string> files;  // folded destination -> source
    std::set<std::string> expected;             // folded paths: planned, or there before
    for (const auto& copy : plan["copies"]) {
        files[folded(copy["destination"])] = copy["source"];
        expected.insert(folded(copy["destination"]));
    }
    for (const auto& folder : plan["directories"])
        expected.insert(folded(folder["path"].get<std::string>() + "\\"));
    for (const std::string& path : before)
        expected.insert(folded(path));
    for (const std::string& path : withUninstaller({}))  // what every completed installation adds
        expected.insert(folded(path));
    std::set<std::string> made;
    for (const std::string& path : listTree(target))
        made.insert(folded(path));
    EXPECT_EQ(made, expected);
    for (const auto& [destination, from] : files)
        EXPECT_EQ(contentOf(joinPath(target, destination)), contentOf(joinPath(source, from))) << destination;
    EXPECT_EQ(files.size(), 12u) << "data1, two, a, notes, one, hidden, system, readonly, p, notes in pre, a1, ab";
    EXPECT_EQ(contentOf(joinPath(target, "kept.txt")), "kept\n");
}

// The TO wordlist of a real dictionary (or of hand-made records when the
// real data is missing) built by the installer and by dicttool.exe from the
// same FROM wordlist: the same bytes.
TEST(DicttoolReverse, EqualsTheInstallersToList) {
    std::string from;
    const std::string data = wordlists::dataFolder();
    if (!data.empty())
        from = readFile(joinPath(data, "ita-eng.wb")).value_or("");
    if (from.empty())
        from = wordRecord("citt\xE0", "town, City, l'abitato") + wordRecord("Casa", "home, house") +
               wordRecord("casa", "House,dwelling") + wordRecord("e-mail", "e-mail, post");
    Workspace work;
    const std::string target = work.path("target");
    const std::string source = work.makeSource("mkdir language\ncopy from.wb language\\from.wb\n"
                                               "copy language.cf language.cf\nmkwlist\n",
                                               {{"from.wb", from}, {"language.cf", "x,y,1,Reverse\nfrom.wb\nto.wb\n"}});
    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    auto box = app.waitForMessageBox("Install", Millis(60000));
    ASSERT_TRUE(box) << app.describeWindows();
    ASSERT_TRUE(app.answer(*box));
    ASSERT_EQ(app.waitForExit(Millis(30000)), 0u);

    const std::string report = work.path("reverse.txt");
    const std::string toolList = work.path("tool.wb");
    ASSERT_EQ(runTool("reverse \"" + joinPath(source, "from.wb") + "\" \"" + toolList + "\"", report), 0u);
    std::printf("  %zu FROM records\n", from.size() / 84);
    EXPECT_NE(contentOf(report).find("the system's Italian comparison"), std::string::npos) << contentOf(report);
    const auto installed = readFile(joinPath(target, "language\\to.wb"));
    ASSERT_TRUE(installed);
    EXPECT_EQ(readFile(toolList), installed) << "sizes " << contentOf(toolList).size() << " and " << installed->size();
    std::vector<std::string> expectedTree = {"reverse.txt", "source\\", "source\\from.wb", "source\\install.inf",
                                             "source\\language.cf", "target\\", "target\\kelmo.ini",
                                             "target\\language\\", "target\\language\\from.wb",
                                             "target\\language\\to.wb", "tool.wb"};
    for (const std::string& name : withUninstaller({})) expectedTree.push_back("target\\" + name);
    EXPECT_EQ(listTree(work.root()), sorted(expectedTree)) << "no scratch folder is left";
}

// Inputs the installer must survive: read-only files where it writes, a
// display file that is a folder, paths that would not fit its path
// buffers, malformed script lines. Each ends as decided, without a crash,
// checked by exit code, message boxes and what is on disk afterwards.
#include "Harness.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <ostream>

using namespace e2e;

namespace {

void makeReadOnly(const std::string& path) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << "cannot make " << path << " read-only";
}

// The names in a folder whose own path leaves no room for "\*" within
// MAX_PATH, read through the wide interface with the "\\?\" prefix.
std::vector<std::string> longPathEntries(const std::string& folder) {
    std::wstring pattern = L"\\\\?\\" + std::wstring(folder.begin(), folder.end()) + L"\\*";
    std::vector<std::string> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot list " << folder;
        return names;
    }
    do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(std::string(name.begin(), name.end()));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

const char* const kLanguageScript = "mkdir language\n"
                                    "copy language.cf language.cf\n"
                                    "copy from.wb language\\from.wb\n";

std::string fromList() {
    return wordRecord("casa", "house,home") + wordRecord("cane", "dog");
}

const std::string kIniHead = "# --- kelmo.ini -------------------------------------------------\n\n"
                             "[AddNew]\non\n\n[selected]\nfrom.wb\n\n[language]\n";
const std::string kIniEof = "# --- EOF --------------------------------------------------------\n";

}  // namespace

// --- Read-only files where the installer writes ---------------------------------------

enum class Rewrite { RecordLanguage, SortOnly };

std::ostream& operator<<(std::ostream& out, Rewrite how) {
    return out << (how == Rewrite::RecordLanguage ? "RecordLanguage" : "SortOnly");
}

class BadInputReadOnlySettingsFile : public ::testing::TestWithParam<Rewrite> {};

// A read-only kelmo.ini is never replaced, neither when a built language is
// to be recorded in it nor when its language section is to be sorted. The
// record ends in "Can't replace DICT.INI" with exit code 1 (an entry would be
// lost), and the run is undone; the sort, which loses only the order, is counted in the closing
// warning and the run ends with exit code 2. Either way the file keeps every
// byte and its attribute, and no tmp.ini is left behind.
TEST_P(BadInputReadOnlySettingsFile, IsReportedAndKeptWhole) {
    const bool record = GetParam() == Rewrite::RecordLanguage;
    Workspace work;
    std::string target = work.path("target");
    std::string ini = joinPath(target, "kelmo.ini");
    const std::string before = kIniHead + "x,y,z,Zulu\na,b,c,Alpha\n\n\n" + kIniEof;
    writeFile(ini, before);
    makeReadOnly(ini);
    std::string source = work.makeSource(record ? std::string(kLanguageScript) + "mkwlist\n" : "title Sort only\n",
                                         {{"language.cf", "a,b,c,E2eBadInputReadOnly\nfrom.wb\nto.wb\n"},
                                          {"from.wb", fromList()}});

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    if (record) {
        expectBox(app, "Install", "Install Finished ");
        expectBox(app, "Error", "Can't replace DICT.INI");
        EXPECT_EQ(app.waitForExit(), 1u);
        EXPECT_FALSE(pathExists(joinPath(target, "language\\to.wb"))) << "the failed run is undone";
    } else {
        expectClosingWarning(app, 1, {"Sorting the languages in kelmo.ini"});
        EXPECT_EQ(app.waitForExit(), 2u);
    }

    EXPECT_EQ(contentOf(ini), before);
    EXPECT_TRUE(isReadOnly(ini)) << ini << " lost its read-only attribute";
    EXPECT_FALSE(pathExists(joinPath(target, "tmp.ini"))) << "tmp.ini was left behind";
}

INSTANTIATE_TEST_SUITE_P(Rewrites, BadInputReadOnlySettingsFile, ::testing::Values(Rewrite::RecordLanguage, Rewrite::SortOnly),
                         [](const auto& info) {
                             return info.param == Rewrite::RecordLanguage ? "RecordLanguage" : "SortOnly";
                         });

// A read-only destination file of copy, xcopy or sndcopy is not replaced:
// each gets the copy's error box; answered with Ignore, that one file is
// passed over, its neighbours are copied, the lines after it run, and the
// closing warning names the three.
TEST(BadInput, ReadOnlyDestinationsAreSkippedAndTheRestRuns) {
    Workspace work;
    std::string target = work.path("target");
    const char* const readOnly[] = {"one.txt", "xc\\two.dat", "snd\\three.txt"};
    for (const char* name : readOnly) {
        writeFile(joinPath(target, name), std::string("old ") + name + "\n");
        makeReadOnly(joinPath(target, name));
    }
    std::string source = work.makeSource("copy one.txt one.txt\n"
                                         "xcopy *.dat xc\n"
                                         "sndcopy sndsrc snd\n"
                                         "copy one.txt after.txt\n",
                                         {{"one.txt", "new one\n"},
                                          {"two.dat", "new two\n"},
                                          {"four.dat", "new four\n"},
                                          {"sndsrc\\three.txt", "new three\n"},
                                          {"sndsrc\\five.txt", "new five\n"}});

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    std::vector<std::string> named;
    for (const char* name : readOnly) {
        auto box = app.waitForMessageBox("Error");
        ASSERT_TRUE(box);
        EXPECT_NE(box->text.find(joinPath(target, name)), std::string::npos) << box->text;
        ASSERT_TRUE(app.answer(*box, IDIGNORE));
        named.push_back("Copy to " + joinPath(target, name));
    }
    expectClosingWarning(app, 3, named);
    EXPECT_EQ(app.waitForExit(), 2u);

    for (const char* name : readOnly) {
        EXPECT_EQ(contentOf(joinPath(target, name)), std::string("old ") + name + "\n") << name << " was replaced";
        EXPECT_TRUE(isReadOnly(joinPath(target, name))) << name << " lost its read-only attribute";
    }
    EXPECT_EQ(contentOf(joinPath(target, "xc\\four.dat")), "new four\n");
    EXPECT_EQ(contentOf(joinPath(target, "snd\\five.txt")), "new five\n");
    EXPECT_EQ(contentOf(joinPath(target, "after.txt")), "new one\n");
}

// --- The display file ---------------------------------------------------------------------

// A display file that names a folder cannot be read as text: the closing
// message is the standard one, with its trailing blank.
TEST(BadInput, DisplayFileThatIsAFolderGivesTheStandardMessage) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource(std::string(kLanguageScript) + "mkdir docs\ndisplay docs\nmkwlist\n",
                                         {{"language.cf", "a,b,c,E2eBadInputDisplay\nfrom.wb\nto.wb\n"},
                                          {"from.wb", fromList()}});

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    expectBox(app, "Install", "Install Finished ");
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_TRUE(isDirectory(joinPath(target, "docs")));
}

// --- Malformed script lines -------------------------------------------------------------------

// Lines that lack what their keyword needs (an operand, an argument, the
// "=" of a setting), that use a tab where a blank belongs or that begin with
// a blank do nothing at all, not even with an empty value; the script goes
// on with the next line.
TEST(BadInput, MalformedScriptLinesDoNothing) {
    Workspace work;
    std::string target = work.path("target");
    auto programsBefore = listTree(programsFolder());
    std::string source = work.makeSource("copy a.txt\n"
                                         "copy\ta.txt\ttab.txt\n"
                                         " copy a.txt blank.txt\n"
                                         "xcopy *.txt\n"
                                         "sndcopy sub\n"
                                         "mkdir\n"
                                         "mkdir\tsub\n"
                                         "setini E2eBadInputNoEquals\n"
                                         "setini\tE2eBadInputTab=1\n"
                                         "avidelay\n"
                                         "iconname\n"
                                         "display\n"
                                         "copy a.txt good.txt\n",
                                         {{"a.txt", "alpha\n"}, {"sub\\s.txt", "sierra\n"}});
    auto sourceBefore = listTree(source);

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    EXPECT_EQ(app.waitForExit(), 0u);

    EXPECT_EQ(listTree(target), withUninstaller({"good.txt"}));
    EXPECT_EQ(listTree(source), sourceBefore);
    EXPECT_EQ(listTree(programsFolder()), programsBefore) << "a shortcut without a name was made";
    char value[64] = "";
    for (const char* key : {"E2eBadInputNoEquals", "E2eBadInputTab"}) {
        GetPrivateProfileStringA("Dictionary", key, "<absent>", value, sizeof value, "win.ini");
        EXPECT_STREQ(value, "<absent>") << "key " << key;
    }
}

// --- Paths that would not fit ---------------------------------------------------------------

// Under a typed target of 240 characters every path is formed in full and
// used only when it fits 259 characters: a copy, an xcopy match or a mkdir
// that would go beyond is passed over and counted, no file or folder with a
// shortened name appears anywhere, those that fit (259 exactly included) are
// made, and a shortcut whose target path would not fit is not made at all.
// The closing warning names the five steps; exit code 2.
TEST(BadInput, UnderALongTargetOnlyPathsThatFitAreUsed) {
    Workspace work;
    std::string target = pathOfLength(work.path("tgt"), 240);
    ASSERT_EQ(target.size(), 240u);
    makeDirectories(target);
    ASSERT_TRUE(isDirectory(target)) << "Wine should accept a folder of 240 characters";
    std::string group = joinPath(programsFolder(), "E2E BadInput Long Group");
    removeTree(group);
    auto programsBefore = listTree(programsFolder());

    const std::string fits18(18, 'f');              // target\ + 18 = 259
    const std::string over19(19, 'o');              // 260
    const std::string longName = "much_too_long_a_name.txt";
    std::string source = work.makeSource("mkdir sub\n"
                                         "copy a.txt sub\\a.txt\n"
                                         "copy a.txt " + fits18 + "\n"
                                         "copy a.txt " + over19 + "\n"
                                         "copy a.txt " + longName + "\n"
                                         "xcopy *.lng .\n"
                                         "mkdir " + std::string(30, 'm') + "\n"
                                         "iconname E2E BadInput Long\n"
                                         "icongroup E2E BadInput Long Group\n"
                                         "iconexe a_program_with_a_long_name.exe\n"
                                         "copy a.txt last.txt\n",
                                         {{"a.txt", "alpha\n"}, {"s.lng", "short match\n"},
                                          {"a_long_match_name.lng", "long match\n"}});
    auto sourceBefore = listTree(source);

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    const std::string tooLong = " (path too long)";
    expectClosingWarning(app, 5,
                         {"Copy to " + joinPath(target, over19) + tooLong,
                          "Copy to " + joinPath(target, longName) + tooLong,
                          "Copy to " + joinPath(target, ".\\a_long_match_name.lng") + tooLong,
                          "Folder " + joinPath(target, std::string(30, 'm')) + tooLong, "Shortcut E2E BadInput Long"});
    EXPECT_EQ(app.waitForExit(), 2u);

    EXPECT_EQ(listTree(target), withUninstaller({"sub\\", "sub\\a.txt", fits18, "s.lng", "last.txt"}));
    EXPECT_EQ(contentOf(joinPath(target, fits18)), "alpha\n");
    EXPECT_EQ(listTree(source), sourceBefore);
    // Nothing anywhere else in the work folder: the target's parents hold
    // only the path down to it.
    std::vector<std::string> everything = listTree(work.root());
    std::string targetRelative = target.substr(work.root().size() + 1) + "\\";
    for (const std::string& entry : everything) {
        bool inSource = entry.rfind("source\\", 0) == 0;
        bool onTargetPath = targetRelative.rfind(entry, 0) == 0 || entry.rfind(targetRelative, 0) == 0;
        EXPECT_TRUE(inSource || onTargetPath) << "unexpected " << entry;
    }
    EXPECT_FALSE(pathExists(group)) << group << " should not have been made";
    EXPECT_EQ(listTree(programsFolder()), programsBefore);
}

// Under the same long target a language block whose TO wordlist path would
// not fit ends in the "Wordlist name too long" error with exit code 1, and
// the run is undone, the block built before it (whose path is exactly 259
// characters long) too.
TEST(BadInput, WordListPathThatWouldNotFitIsFatal) {
    Workspace work;
    std::string target = pathOfLength(work.path("tgt"), 240);
    ASSERT_EQ(target.size(), 240u);
    makeDirectories(target);
    // target\language\ is 250 characters: TO names of 9 fit, of 10 do not.
    std::string source = work.makeSource(std::string(kLanguageScript) + "mkwlist\n",
                                         {{"language.cf", "a,b,c,E2eBadInputFits\nfrom.wb\nto1234.wb\n"
                                                          "d,e,f,E2eBadInputLong\nfrom.wb\nto12345.wb\n"},
                                          {"from.wb", fromList()}});

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    expectBox(app, "Install", "Install Finished ");
    expectBox(app, "Error", "Wordlist name too long: \"to12345.wb\"");
    EXPECT_EQ(app.waitForExit(), 1u);

    EXPECT_TRUE(listTree(target).empty()) << "the run is undone";
}

// A typed target longer than the 259 characters a path may have is refused
// with "Invalid Directory", not cut short: no folder with a shortened name
// is made, and the installer goes on waiting.
TEST(BadInput, TypedTargetLongerThanAPathIsRefused) {
    Workspace work;
    std::string parent = pathOfLength(work.path("deep"), 240);
    makeDirectories(parent);
    std::string tooLong = parent + "\\" + std::string(29, 'n');  // 270 characters
    Installer app(work.makeSource("title Long target\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, tooLong));
    app.click(kStartButton);

    expectBox(app, "Error", "Invalid Directory");
    ASSERT_TRUE(app.sync());
    EXPECT_TRUE(app.running());
    EXPECT_EQ(listTree(parent), std::vector<std::string>{}) << "a folder with a shortened name was made";
    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// A target of exactly 259 characters leaves no room for a single file name:
// nothing is copied or made, neither in the target nor in the directory the
// installer was started in; the installation ends with the closing warning
// naming the three steps, exit code 2.
TEST(BadInput, TargetOfFullPathLengthWritesNothingAnywhere) {
    Workspace work;
    std::string target = pathOfLength(work.path("tgt"), 259);
    ASSERT_EQ(target.size(), 259u);
    makeDirectories(target);
    ASSERT_TRUE(isDirectory(target)) << "Wine should accept a folder of 259 characters";
    std::string source = work.makeSource("mkdir sub\n"
                                         "copy a.txt out.txt\n"
                                         "xcopy *.dat .\n",
                                         {{"a.txt", "alpha\n"}, {"b.dat", "bravo\n"}});
    auto sourceBefore = listTree(source);

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    expectClosingWarning(app, 3,
                         {"Folder " + joinPath(target, "sub (path too long)"),
                          "Copy to " + joinPath(target, "out.txt (path too long)"),
                          "Copy to " + joinPath(target, ".\\b.dat (path too long)")});
    EXPECT_EQ(app.waitForExit(), 2u);

    EXPECT_EQ(longPathEntries(target), std::vector<std::string>{});
    EXPECT_EQ(listTree(source), sourceBefore) << "files landed in the start directory";
}

// A source directory so deep that the script's path would not fit 259
// characters: the script is not found, as when it is missing.
TEST(BadInput, SourceDirectoryTooDeepForTheScriptIsFatal) {
    Workspace work;
    std::string source = pathOfLength(work.path("src"), 250);  // + "\install.inf" = 262
    makeDirectories(source);
    std::wstring script = L"\\\\?\\" + std::wstring(source.begin(), source.end()) + L"\\install.inf";
    HANDLE file = CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write the script";
    DWORD written = 0;
    WriteFile(file, "title Deep\n", 11, &written, nullptr);
    CloseHandle(file);

    Installer app(source);
    ASSERT_TRUE(app.started());
    expectBox(app, "Error", "Can't open INSTALL.INF");
    EXPECT_EQ(app.waitForExit(), 1u);
    DeleteFileW(script.c_str());
}

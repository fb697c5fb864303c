// The installation keywords of install.inf carried out on Start: folders
// made and files copied into the target directory, win.ini settings written,
// failed steps passed over, read back from the disk after the installer ends.
#include "Harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace e2e;

namespace {

// A value of the Dictionary section of win.ini, or "<absent>".
std::string dictionaryValue(const char* key) {
    char value[256] = "";
    GetPrivateProfileStringA("Dictionary", key, "<absent>", value, sizeof value, "win.ini");
    return value;
}

// Files whose full path exceeds MAX_PATH are made and removed through the
// wide interface with the "\\?\" prefix.
std::wstring longPath(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

bool writeLongFile(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size();
    CloseHandle(file);
    return ok;
}

}  // namespace

// --- Order and overwriting -------------------------------------------------------------

// Lines run in file order: a copy into a folder that a later mkdir makes
// fails (its box answered with Ignore, then counted in the closing warning),
// the same copy after the mkdir lands.
TEST(ScriptRun, LinesRunInFileOrder) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource("copy a.txt sub\\early.txt\n"
                                         "mkdir sub\n"
                                         "copy a.txt sub\\late.txt\n"
                                         "mkdir sub\\inner\n"
                                         "copy a.txt sub\\inner\\deep.txt\n",
                                         {{"a.txt", "alpha\n"}});

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    auto box = app.waitForMessageBox("Error");
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find(joinPath(target, "sub\\early.txt")), std::string::npos) << box->text;
    ASSERT_TRUE(app.answer(*box, IDIGNORE));
    expectClosingWarning(app, 1, {"Copy to " + joinPath(target, "sub\\early.txt")});
    EXPECT_EQ(app.waitForExit(), 2u);
    EXPECT_EQ(listTree(target), withUninstaller({"sub\\", "sub\\late.txt", "sub\\inner\\", "sub\\inner\\deep.txt"}));
    EXPECT_EQ(contentOf(joinPath(target, "sub\\inner\\deep.txt")), "alpha\n");
}

// copy, xcopy and sndcopy all replace a file that is already there.
TEST(ScriptRun, EveryCopyKeywordReplacesAnExistingFile) {
    Workspace work;
    std::string target = work.path("target");
    writeFile(joinPath(target, "one.txt"), "old one\n");
    writeFile(joinPath(target, "xc\\two.dat"), "old two\n");
    writeFile(joinPath(target, "snd\\three.txt"), "old three\n");
    std::string source = work.makeSource("copy one.txt one.txt\n"
                                         "xcopy *.dat xc\n"
                                         "sndcopy sndsrc snd\n",
                                         {{"one.txt", "new one\n"},
                                          {"two.dat", "new two\n"},
                                          {"sndsrc\\three.txt", "new three\n"}});

    EXPECT_EQ(installInto(source, target), 0u);
    EXPECT_EQ(contentOf(joinPath(target, "one.txt")), "new one\n") << "by copy";
    EXPECT_EQ(contentOf(joinPath(target, "xc\\two.dat")), "new two\n") << "by xcopy";
    EXPECT_EQ(contentOf(joinPath(target, "snd\\three.txt")), "new three\n") << "by sndcopy";
}

// --- What xcopy and sndcopy pick up, and where it goes --------------------------------

// xcopy copies the matching files only: a folder that matches the pattern is
// neither made in the target nor entered. "." names the target directory
// itself. sndcopy takes every file of its folder, hidden, system and
// read-only ones too, but no sub-folder.
TEST(ScriptRun, XcopyAndSndcopyTakeFilesOnlyAndDotIsTheTarget) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource("mkdir out\n"
                                         "xcopy *.dat out\n"
                                         "xcopy *.txt .\n"
                                         "mkdir snd\n"
                                         "sndcopy special snd\n"
                                         "sndcopy plain .\n",
                                         {{"data1.dat", "data one\n"},
                                          {"data2.dat\\inner.dat", "inside a matching folder\n"},
                                          {"notes.txt", "notes\n"},
                                          {"special\\hidden.bin", "hidden\n"},
                                          {"special\\system.bin", "system\n"},
                                          {"special\\readonly.bin", "readonly\n"},
                                          {"special\\nested\\skip.bin", "in a sub-folder\n"},
                                          {"plain\\p.cfg", "plain\n"}});
    struct {
        const char* name;
        DWORD attribute;
    } const special[] = {{"special\\hidden.bin", FILE_ATTRIBUTE_HIDDEN},
                         {"special\\system.bin", FILE_ATTRIBUTE_SYSTEM},
                         {"special\\readonly.bin", FILE_ATTRIBUTE_READONLY}};
    for (const auto& file : special) {
        std::string path = joinPath(source, file.name);
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), file.attribute)) << "cannot set the attribute of " << path;
    }

    EXPECT_EQ(installInto(source, target), 0u);
    EXPECT_EQ(listTree(target), withUninstaller({"out\\", "out\\data1.dat", "notes.txt", "snd\\", "snd\\hidden.bin",
                                        "snd\\system.bin", "snd\\readonly.bin", "p.cfg"}));
    EXPECT_EQ(contentOf(joinPath(target, "out\\data1.dat")), "data one\n");
    EXPECT_EQ(contentOf(joinPath(target, "notes.txt")), "notes\n");
    EXPECT_EQ(contentOf(joinPath(target, "p.cfg")), "plain\n");
    for (const auto& file : special)
        EXPECT_EQ(contentOf(joinPath(target, std::string("snd\\") + (std::strchr(file.name, '\\') + 1))),
                  contentOf(joinPath(source, file.name)))
            << file.name;
}

// A pattern with a folder part copies each match from the folder the pattern
// names, not a file of the same name in the source directory itself.
TEST(ScriptRun, XcopyPatternWithFolderPartCopiesFromThatFolder) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource("mkdir docs\n"
                                         "xcopy docs\\*.txt docs\n",
                                         {{"a.txt", "source root a\n"},
                                          {"docs\\a.txt", "docs a\n"},
                                          {"docs\\b.txt", "docs b\n"},
                                          {"docs\\c.dat", "docs c\n"}});

    EXPECT_EQ(installInto(source, target), 0u);
    EXPECT_EQ(listTree(target), withUninstaller({"docs\\", "docs\\a.txt", "docs\\b.txt"}));
    EXPECT_EQ(contentOf(joinPath(target, "docs\\a.txt")), "docs a\n");
    EXPECT_EQ(contentOf(joinPath(target, "docs\\b.txt")), "docs b\n");
}

// --- Absent sources --------------------------------------------------------------------

// A missing source, a pattern without matches, an empty folder and a folder
// that does not exist are passed over without a word, and the lines after
// them still run; relative names still resolve
// after xcopy and sndcopy have moved the current directory and put it back.
// A sndcopy of a missing folder copies nothing at all, in particular not the
// files of the source directory.
TEST(ScriptRun, AbsentSourcesArePassedOverSilently) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource("mkdir out\n"
                                         "copy nosuch.txt missing.txt\n"
                                         "xcopy *.zzz out\n"
                                         "copy a.txt after-copy.txt\n"
                                         "sndcopy empty out\n"
                                         "copy a.txt after-empty.txt\n"
                                         "sndcopy nosuch out\n"
                                         "copy a.txt after-missing.txt\n"
                                         "xcopy *.dat out\n"
                                         "copy a.txt after-xcopy.txt\n"
                                         "mkdir last\n",
                                         {{"a.txt", "alpha\n"}, {"b.dat", "bravo\n"}});
    makeDirectories(joinPath(source, "empty"));

    EXPECT_EQ(installInto(source, target), 0u);
    EXPECT_EQ(listTree(target), withUninstaller({"out\\", "out\\b.dat", "after-copy.txt", "after-empty.txt",
                                        "after-missing.txt", "after-xcopy.txt", "last\\"}));
    EXPECT_EQ(contentOf(joinPath(target, "after-xcopy.txt")), "alpha\n");
}

// A source path that would not fit the path buffers is not used at all,
// neither whole nor cut short: a file whose shortened name exists in the
// source directory is not copied in its place, the copy is counted in the
// closing warning and the rest of the script runs. (Destinations that would
// not fit are checked with the other over-long inputs.)
TEST(ScriptRun, OverlongSourcePathIsSkipped) {
    Workspace work;
    std::string target = work.path("target");
    // sourceDir + "\" is 231 characters.
    std::string sourceDir = pathOfLength(work.path("src"), 230);
    ASSERT_EQ(sourceDir.size(), 230u);
    const std::string longSource = "overlong_source_name_abcdefghij.txt";  // source path 266
    const std::string shortSource = longSource.substr(0, 259 - 231);       // what a cut would name
    std::string source = work.makeSource("copy " + longSource + " got-long.txt\n"
                                         "copy ok.txt later.txt\n",
                                         {{"ok.txt", "fits\n"}, {shortSource, "cut source\n"}},
                                         sourceDir.substr(work.root().size() + 1));
    ASSERT_EQ(source, sourceDir);
    const std::string longSourcePath = joinPath(source, longSource);
    EXPECT_TRUE(writeLongFile(longSourcePath, "long source\n")) << "cannot write " << longSourcePath;

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    expectClosingWarning(app, 1, {"Copy to " + joinPath(target, "got-long.txt") + " (path too long)"});
    EXPECT_EQ(app.waitForExit(), 2u);
    EXPECT_EQ(listTree(target), withUninstaller({"later.txt"}));
    EXPECT_EQ(contentOf(joinPath(target, "later.txt")), "fits\n");
    DeleteFileW(longPath(longSourcePath).c_str());
}

// --- Where the copies land ----------------------------------------------------------------

// A relative target typed by the user counts from the directory the
// installer was started in, and every copy lands there, also those made
// while xcopy and sndcopy have moved the current directory.
TEST(ScriptRun, RelativeTargetIsTakenFromTheStartDirectory) {
    Workspace work;
    std::string source = work.makeSource("mkdir sub\n"
                                         "copy a.txt a.txt\n"
                                         "xcopy *.dat sub\n"
                                         "mkdir sub2\n"
                                         "sndcopy snd sub2\n",
                                         {{"a.txt", "alpha\n"}, {"x.dat", "x-ray\n"}, {"snd\\s.txt", "sierra\n"}});
    auto sourceBefore = listTree(source);

    EXPECT_EQ(installInto(source, "..\\target"), 0u);
    std::string target = work.path("target");
    EXPECT_EQ(listTree(target), withUninstaller({"a.txt", "sub\\", "sub\\x.dat", "sub2\\", "sub2\\s.txt"}));
    EXPECT_EQ(contentOf(joinPath(target, "sub2\\s.txt")), "sierra\n");
    EXPECT_EQ(listTree(source), sourceBefore) << "nothing should land in the source folder";
}

// --- win.ini --------------------------------------------------------------------------------

// setini takes everything after the first "=" as the value; an avidelay
// line with an empty argument writes an empty value; a later line replaces
// what an earlier one wrote.
TEST(ScriptRun, WinIniSettingsAreWrittenToTheDictionarySection) {
    Workspace work;
    std::string source = work.makeSource("avidelay 250\n"
                                         "setini E2eScriptEquals=a=b==c\n"
                                         "setini E2eScriptTwice=first\n"
                                         "setini E2eScriptTwice=second\n"
                                         "setini E2eScriptKeep=kept\n"
                                         "avidelay \n");

    EXPECT_EQ(installInto(source, work.path("target")), 0u);
    EXPECT_EQ(dictionaryValue("E2eScriptEquals"), "a=b==c");
    EXPECT_EQ(dictionaryValue("E2eScriptTwice"), "second");
    EXPECT_EQ(dictionaryValue("E2eScriptKeep"), "kept");
    EXPECT_EQ(dictionaryValue("ItalianAviDelay"), "");
}

// --- What the user sees ----------------------------------------------------------------------

// The edit box shows each copy's destination; at the closing message of the
// word lists, after all copies, it still shows the last one.
TEST(ScriptRun, EditBoxShowsTheLastDestination) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource("mkdir language\n"
                                         "copy language.cf language.cf\n"
                                         "copy from.wb language\\from.wb\n"
                                         "mkdir docs\n"
                                         "copy readme.txt docs\\readme.txt\n"
                                         "mkwlist\n",
                                         {{"language.cf", "a,b,c,E2eScriptLanguage\nfrom.wb\nto.wb\n"},
                                          {"from.wb", wordRecord("casa", "house,home") + wordRecord("cane", "dog")},
                                          {"readme.txt", "read me\n"}});
    Installer app(source);
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));
    app.click(kStartButton);

    auto box = app.waitForMessageBox("Install");
    ASSERT_TRUE(box);
    EXPECT_EQ(app.text(kEditBox), target + "\\docs\\readme.txt");
    ASSERT_TRUE(app.answer(*box));
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_TRUE(pathExists(joinPath(target, "language\\to.wb")));
}

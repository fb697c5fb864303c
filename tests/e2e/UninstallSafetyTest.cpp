// The uninstaller removes only what the installation made, whoever else can
// write to the target directory: a drive root bounded, a record or program
// planted in the target ignored, a key the user changed kept, a removal
// that cannot be started from outside, a link never followed, and an
// installation ended by Abort that can still be taken back.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>


using namespace e2e;

namespace {

// The drive's contents outside the system's own folders (which other
// programs change meanwhile, and which are large).
std::vector<std::string> driveOutsideSystem() {
    std::vector<std::string> out;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("C:\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return out;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == ".." || !lstrcmpiA(name.c_str(), "windows") || !lstrcmpiA(name.c_str(), "users") ||
            !lstrcmpiA(name.c_str(), "programdata") || !_strnicmp(name.c_str(), "program files", 13))
            continue;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            out.push_back(name);
            continue;
        }
        out.push_back(name + "\\");
        for (const std::string& below : listTree("C:\\" + name)) out.push_back(name + "\\" + below);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return sorted(out);
}

bool listedUnder(const std::string& closing, const std::string& heading, const std::string& item) {
    const std::size_t at = closing.find(heading);
    if (at == std::string::npos) return false;
    const std::size_t end = closing.find("\n\n", at);
    std::string section = closing.substr(at, end == std::string::npos ? std::string::npos : end - at);
    std::string wanted = "\n    " + item;
    for (std::string* text : {&section, &wanted}) CharLowerA(&(*text)[0]);
    return section.find(wanted) != std::string::npos;
}

}  // namespace

// Into a drive root, where a file of the sample was there before: the
// record keeps the root's backslash, the uninstall started as Apps &
// Features starts it (working folder C:\Windows) removes exactly what was
// made, keeps the earlier file and says so, and the drive, the Programs
// folder, win.ini and the registry are as before.
TEST(UninstallSafety, DriveRootIsUninstalledFromAppsAndFeaturesAndKeepsWhatWasThere) {
    Workspace work;
    const std::string earlier = "C:\\readme.txt";
    writeFile(earlier, "the user's own readme\r\n");
    const std::vector<std::string> driveBefore = driveOutsideSystem();
    const SystemState before = systemState(work.path("none"));

    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Drive Root"), sampleFiles()), "c:\\"), 0u);
    EXPECT_EQ(contentOf(earlier), "Sample dictionary\r\n");
    EXPECT_EQ(entryOf("c:\\")["InstallLocation"], "c:\\");
    const std::string program = uninstallerOf("c:\\");
    EXPECT_NE(program.find("\\Dictionary Uninstall\\Dictionary_"), std::string::npos) << program;
    const std::string record = contentOf(joinPath(program.substr(0, program.rfind('\\')), "uninstall.dat"));
    EXPECT_NE(record.find("\ntarget c:\\\r\n"), std::string::npos) << record;

    auto [closing, code] = uninstall("c:\\");
    EXPECT_EQ(code, 0u) << closing;
    EXPECT_TRUE(listedUnder(closing, "there before the installation", earlier)) << closing;
    EXPECT_EQ(driveOutsideSystem(), driveBefore);
    EXPECT_EQ(systemState(work.path("none")), before);
    DeleteFileA(earlier.c_str());
}

// A record and a program written into the target by another user change
// nothing: the uninstall reads the protected copies, and leaves the planted
// files as files it did not make. A win.ini key the user changed after the
// installation keeps the user's value and is listed.
TEST(UninstallSafety, PlantedFilesInTheTargetAndAChangedKeyAreLeftAlone) {
    if (!runsElevated()) GTEST_SKIP() << "the protected folder is for elevated installations";
    Workspace work;
    const std::string target = work.path("target");
    const std::string victim = work.path("victim.txt");
    writeFile(victim, "not the dictionary's\r\n");
    WritePrivateProfileStringA("Dictionary", "Font", "Arial", "win.ini");
    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Planted"), sampleFiles()), target), 0u);

    const std::string planted = "record 2\ntitle Sample Italian Dictionary\ntarget " + target + "\nfile " + victim +
                                "\n";
    writeFile(joinPath(target, "uninstall.dat"), planted);
    writeFile(joinPath(target, "uninstall.exe"), "MZ not a program");
    WritePrivateProfileStringA("Dictionary", "Font", "Garamond", "win.ini");

    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 0u) << closing;
    EXPECT_EQ(contentOf(victim), "not the dictionary's\r\n");
    EXPECT_TRUE(listedUnder(closing, "given after the installation", "win.ini [Dictionary] Font")) << closing;
    EXPECT_TRUE(listedUnder(closing, "did not make them", joinPath(target, "uninstall.dat"))) << closing;
    char font[64] = "";
    GetPrivateProfileStringA("Dictionary", "Font", "", font, sizeof font, "win.ini");
    EXPECT_STREQ(font, "Garamond");
    EXPECT_EQ(listTree(target), sorted({"uninstall.dat", "uninstall.exe"}));
    WritePrivateProfileStringA("Dictionary", "Font", nullptr, "win.ini");
}

// The removing copy started by hand, with any arguments, removes nothing:
// it says so and exits with 1. A recorded folder replaced by a link is left
// with the link, and what the link leads to is never touched.
TEST(UninstallSafety, ContinueByHandRemovesNothingAndALinkIsNeverFollowed) {
    Workspace work;
    const std::string target = work.path("target");
    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Link"), sampleFiles()), target), 0u);
    const std::string program = uninstallerOf(target);
    const std::string folder = program.substr(0, program.rfind('\\'));
    const SystemState installed = systemState(target);
    for (const char* handle : {"0", "1234", "x"}) {
        Installer byHand(work.root(), program, std::string("/continue ") + handle + " \"" + folder + "\"");
        auto box = byHand.waitForMessageBox("Uninstall");
        ASSERT_TRUE(box);
        EXPECT_NE(box->text.find("Nothing was removed"), std::string::npos) << box->text;
        byHand.answer(*box);
        EXPECT_EQ(byHand.waitForExit(), 1u);
        EXPECT_EQ(systemState(target), installed) << "started with handle " << handle;
    }

    const std::string elsewhere = work.path("elsewhere");
    writeFile(joinPath(elsewhere, "abbrev.txt"), "someone else's\r\n");
    removeTree(joinPath(target, "docs"));
    if (!makeLink(joinPath(target, "docs"), elsewhere)) GTEST_SKIP() << "no link can be made here";
    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 2u) << closing;
    EXPECT_EQ(contentOf(joinPath(elsewhere, "abbrev.txt")), "someone else's\r\n");
    for (const std::string& item : {joinPath(target, "docs"), joinPath(target, "docs\\abbrev.txt")})
        EXPECT_TRUE(listedUnder(closing, "as a link now stands there", item)) << item << " in\n" << closing;
    EXPECT_EQ(listTree(target), sorted({"docs\\", "docs\\abbrev.txt"}));
}

// Abort at a failed copy ends the run with exit code 1 and takes back what
// was done: no entry, nothing left. A source name that Windows refuses gets
// the box too, not silence.
TEST(UninstallSafety, AbortUndoesTheRunAndARefusedSourceNameGetsTheBox) {
    Workspace work;
    const std::string target = work.path("target");
    const SystemState before = systemState(target);
    const std::string source = work.makeSource("title Sample Italian Dictionary\nmkdir docs\n"
                                               "copy readme.txt docs\\readme.txt\ncopy a<b.txt odd.txt\n"
                                               "copy readme.txt nofolder\\readme.txt\ncopy readme.txt never.txt\n",
                                               {{"readme.txt", "read me\r\n"}});
    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    auto refused = app.waitForMessageBox("Error");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text.rfind("Can't copy\n" + joinPath(source, "a<b.txt"), 0), 0u) << refused->text;
    ASSERT_TRUE(app.answer(*refused, IDIGNORE));
    auto failed = app.waitForMessageBox("Error");
    ASSERT_TRUE(failed);
    EXPECT_NE(failed->text.find("nofolder"), std::string::npos) << failed->text;
    ASSERT_TRUE(app.answer(*failed, IDABORT));
    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(systemState(target), before);
}

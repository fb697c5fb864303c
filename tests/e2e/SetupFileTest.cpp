// One setup file made by dicttool bundle: it installs as the folder's
// install.exe does, interactively and with /VERYSILENT, leaves no folder of
// its own in %TEMP%, and a copy cut short or changed by one byte is refused
// before anything is written.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

std::vector<std::string> setupFoldersInTemp() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::vector<std::string> found;
    for (const std::string& name : listTree(temp))
        if (name.rfind("dictionary-setup-", 0) == 0) found.push_back(name);
    return found;
}

}  // namespace

TEST(SetupFile, InstallsFromOneFileAsFromTheFolderAndRefusesADamagedCopy) {
    Workspace work;
    const std::string medium = work.makeSource(sampleScript("E2E Setup File"), sampleFiles(), "medium");
    const std::string setup = work.path("setup.exe");
    const std::string report = work.path("bundle.txt");
    ASSERT_EQ(runTool("bundle \"" + medium + "\" -o \"" + setup + "\" --installer \"" + installerPath() + "\"", report),
              0u)
        << contentOf(report);
    const std::vector<std::string> tempBefore = setupFoldersInTemp();

    const std::string fromFolder = work.path("from-folder"), fromFile = work.path("from-file");
    ASSERT_EQ(installSample(medium, fromFolder), 0u);
    const std::vector<std::string> expected = listTree(fromFolder);
    uninstall(fromFolder);
    ASSERT_EQ(installSample(work.root(), fromFile, setup), 0u);
    EXPECT_EQ(listTree(fromFile), expected);
    uninstall(fromFile);

    const std::string silent = work.path("silent");
    Installer quiet(work.root(), setup, "/VERYSILENT /DIR=\"" + silent + "\"");
    EXPECT_EQ(quiet.waitForExit(Millis{60000}), 0u);
    EXPECT_EQ(listTree(silent), expected);
    uninstall(silent);
    EXPECT_EQ(setupFoldersInTemp(), tempBefore) << "a setup folder was left in %TEMP%";

    const std::string bytes = contentOf(setup);
    const std::string changed = work.path("changed.exe"), cut = work.path("cut.exe");
    std::string flipped = bytes;
    flipped[bytes.size() - 200] ^= 0x20;
    writeFile(changed, flipped);
    writeFile(cut, bytes.substr(0, bytes.size() - 1));
    for (const std::string& damaged : {changed, cut}) {
        Installer app(work.root(), damaged);
        auto box = app.waitForMessageBox("Install");
        ASSERT_TRUE(box) << damaged;
        EXPECT_NE(box->text.find("The setup file is damaged"), std::string::npos) << box->text;
        app.answer(*box);
        EXPECT_EQ(app.waitForExit(), 1u);
    }
    EXPECT_EQ(setupFoldersInTemp(), tempBefore);
}

// A fatal error in the Start sequence of a setup file: what was done is
// undone before the box, the unpacked folder goes, exit code 1.
TEST(SetupFile, AFatalErrorInStartIsUndoneAndRemovesTheUnpackedFolder) {
    Workspace work;
    const std::string medium =
        work.makeSource("title Sample Italian Dictionary\nmkdir language\ncopy a.txt a.txt\n"
                        "copy language.cf language.cf\nmkwlist\n",
                        {{"a.txt", "alpha\n"}, {"language.cf", "it,a,b,Italiano\r\nx.wb\r\ny.wb\r\n"}}, "medium");
    const std::string setup = work.path("setup.exe"), report = work.path("bundle.txt");
    ASSERT_EQ(runTool("bundle \"" + medium + "\" -o \"" + setup + "\" --force --installer \"" + installerPath() + "\"",
                      report),
              0u)
        << contentOf(report);
    const std::vector<std::string> tempBefore = setupFoldersInTemp();
    const std::string target = work.path("target");

    Installer app(work.root(), setup);
    ASSERT_TRUE(startInto(app, target));
    auto box = app.waitForMessageBox("Error", Millis(30000));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Input file \"language\\x.wb\" missing");
    EXPECT_FALSE(pathExists(target)) << "undone while the box is open";
    EXPECT_TRUE(uninstallerOf(target).empty());
    ASSERT_TRUE(app.answer(*box));
    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(setupFoldersInTemp(), tempBefore) << "the unpacked folder was left in %TEMP%";
}

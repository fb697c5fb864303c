// Installing with no one at the screen, as a deployment system does: the
// command line's modes, the log, the exit codes, one installation at a
// time, and the quiet uninstall that Apps & Features names.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using namespace e2e;

namespace {

// Runs to its end, failing the test when the process ever shows a window
// (verySilent) or a message box (any silent mode); returns the exit code.
DWORD runUnseen(Installer& app, bool verySilent) {
    bool seen = false;
    std::string what;
    waitUntil([&] {
        for (HWND window : app.topLevelWindows())
            if (IsWindowVisible(window) && (verySilent || className(window) == "#32770")) {
                seen = true;
                what = className(window) + " \"" + windowText(window) + "\"";
            }
        return !app.running();
    }, Millis{60000});
    EXPECT_FALSE(seen) << "a window was shown: " << what;
    return app.waitForExit();
}

// "\"program\" arguments", as the registry holds a command.
DWORD runCommand(const std::string& command, bool verySilent) {
    const std::size_t close = command.find('"', 1);
    Installer app("C:\\", command.substr(1, close - 1), command.substr(close + 2));
    return runUnseen(app, verySilent);
}

}  // namespace

// /VERYSILENT /DIR /LOG: no window of the process is ever shown; the result
// is an interactive installation's; the log names every step. The quiet
// uninstall removes everything without a window, and the process started
// ends after the removal with its exit code.
TEST(Silent, VerySilentInstallsAsAPersonWouldAndTheQuietUninstallTakesItBack) {
    Workspace work;
    const std::string typed = work.path("typed"), target = work.path("quiet"), log = work.path("install.log");
    const std::string source = work.makeSource(sampleScript("E2E Silent"), sampleFiles());
    const SystemState before = systemState(target);
    ASSERT_EQ(installSample(source, typed), 0u);
    const auto typedEntry = entryOf(typed);
    const auto typedTree = listTree(typed);
    uninstall(typed);

    Installer app(source, installerPath(), "/VERYSILENT /DIR=\"" + target + "\" /LOG=\"" + log + "\"");
    EXPECT_EQ(runUnseen(app, true), 0u);
    EXPECT_EQ(listTree(target), typedTree);
    auto entry = entryOf(target);
    for (const char* name : {"DisplayName", "DisplayVersion", "Publisher", "InstallDate", "EstimatedSize"})
        EXPECT_EQ(entry[name], typedEntry.at(name)) << name;
    EXPECT_TRUE(pathExists(joinPath(specialFolder(CSIDL_PROGRAMS), "E2E Silent\\Sample Dictionary.lnk")));
    const std::string text = contentOf(log);
    for (const char* step : {"options: /VERYSILENT", "script: copy readme.txt readme.txt", "copied ",
                             "set win.ini [Dictionary] Font=Times New Roman", "word list itarev.wb from engita.wb: 2",
                             "done: shortcut Sample Dictionary", "done: the uninstaller", "exit code 0"})
        EXPECT_NE(text.find(step), std::string::npos) << step << " not in the log:\n" << text;

    EXPECT_EQ(runCommand(entry["QuietUninstallString"], true), 0u);
    EXPECT_EQ(systemState(target), before);
}

// /SILENT shows the progress and no box. A copy that fails with its source
// present is passed over and logged, and the exit code is 2; a recorded file
// made read-only since goes at the quiet uninstall all the same.
TEST(Silent, SilentPassesOverAFailedCopyAndTheQuietUninstallRemovesAReadOnlyFile) {
    Workspace work;
    const std::string target = work.path("target"), log = work.path("install.log");
    const std::string source = work.makeSource("title Sample Italian Dictionary\ncopy a.txt a.txt\n"
                                               "copy a.txt nofolder\\a.txt\n",
                                               {{"a.txt", "alpha\n"}});
    Installer app(source, installerPath(), "-silent \"-dir=" + target + "\" /Log=\"" + log + "\"");
    EXPECT_TRUE(app.waitForMainWindow());
    EXPECT_EQ(runUnseen(app, false), 2u);
    EXPECT_NE(contentOf(log).find("failed: Can't copy"), std::string::npos) << contentOf(log);
    EXPECT_NE(contentOf(log).find("1 step of the installation did not complete"), std::string::npos);

    SetFileAttributesA(joinPath(target, "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(runCommand(entryOf(target)["QuietUninstallString"], true), 0u);
    EXPECT_FALSE(pathExists(target));
    EXPECT_TRUE(entryOf(target).empty());
}

// A wrong option: a box naming it, or in a silent mode only a log line;
// exit code 87 and nothing written. No install.inf: exit code 1 and the
// message in the log, no box. A second installer while one runs: 1618, with
// a box when interactive.
TEST(Silent, WrongOptionsMissingScriptAndASecondInstallerAreRefused) {
    Workspace work;
    const std::string target = work.path("target"), log = work.path("run.log");
    const std::string source = work.makeSource("title T\ncopy a.txt a.txt\n", {{"a.txt", "alpha\n"}});
    {
        Installer app(source, installerPath(), "/BOGUS");
        auto box = app.waitForMessageBox("Install");
        ASSERT_TRUE(box);
        EXPECT_NE(box->text.find("\"/BOGUS\": unknown option"), std::string::npos) << box->text;
        app.answer(*box);
        EXPECT_EQ(app.waitForExit(), 87u);
    }
    for (const char* arguments : {"/SILENT /DIR", "/VERYSILENT /SILENT /SILENT", "/VERYSILENT /DIR= "}) {
        Installer app(source, installerPath(), std::string(arguments) + " /LOG=\"" + log + "\"");
        EXPECT_EQ(runUnseen(app, true), 87u) << arguments;
    }
    EXPECT_FALSE(pathExists(target));
    EXPECT_NE(contentOf(log).find("\"/DIR\": the option needs a value"), std::string::npos) << contentOf(log);

    const std::string empty = work.makeSource(std::nullopt, {}, "empty");
    Installer missing(empty, installerPath(), "/VERYSILENT /LOG=\"" + log + "\"");
    EXPECT_EQ(runUnseen(missing, true), 1u);
    EXPECT_NE(contentOf(log).find("error: Can't open INSTALL.INF"), std::string::npos) << contentOf(log);

    Installer first(source);
    ASSERT_TRUE(first.waitForMainWindow());
    Installer silentSecond(source, installerPath(), "/VERYSILENT");
    EXPECT_EQ(runUnseen(silentSecond, true), 1618u);
    Installer second(source);
    auto box = second.waitForMessageBox("Install");
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find("Another installation is running"), std::string::npos) << box->text;
    second.answer(*box);
    EXPECT_EQ(second.waitForExit(), 1618u);
    first.click(kStopButton);
    EXPECT_EQ(first.waitForExit(), 0u);
}

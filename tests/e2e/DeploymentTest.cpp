// What deployment systems meet: versions (a downgrade refused, an upgrade
// merged into one entry) and files that another program holds open at
// install and at uninstall, which the next restart of Windows completes.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {


// A silent run of install.exe from source; its exit code.
DWORD runQuiet(const std::string& source, const std::string& target, const std::string& more = "") {
    Installer app(source, installerPath(), "/VERYSILENT /DIR=\"" + target + "\" " + more);
    return app.waitForExit(kRunWait);
}

// The entry's QuietUninstallString, run as a deployment system runs it.
DWORD quietUninstall(const std::string& target) {
    const std::string command = entryOf(target)["QuietUninstallString"];
    const std::size_t close = command.find('"', 1);
    if (command.empty() || close == std::string::npos) {
        ADD_FAILURE() << "no QuietUninstallString for " << target;
        return STILL_ACTIVE;
    }
    Installer app("C:\\", command.substr(1, close - 1), command.substr(close + 2));
    return app.waitForExit(kRunWait);
}

std::string script(const std::string& version, const std::string& file) {
    return "title Versioned Dictionary\nversion " + version + "\nmkdir language\ncopy " + file + " " + file +
           "\ncopy words.wb language\\words.wb\n";
}

std::string pendingRenames() {
    HKEY key;
    std::string text;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return text;
    DWORD size = 0;
    RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size);
    std::vector<char> data(size + 2, '\0');
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &size) == ERROR_SUCCESS)
        for (DWORD i = 0; i < size; ++i)
            text += data[i] ? data[i] : '|';
    RegCloseKey(key);
    return text;
}

// The file held open as a dictionary program holds its word list, sharing nothing.
HANDLE holdOpen(const std::string& path, DWORD share = 0) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    return file;
}

}  // namespace

// 2.0 installed, the 1.0 setup file is refused: silently with 1638, nothing
// changed; interactively with a box naming the newer version. /ALLOWDOWNGRADE
// installs it. An upgrade 1.0 then 2.0 makes one entry of 2.0, whose
// uninstall removes the files of both.
TEST(Deployment, AnOlderVersionIsRefusedUnlessAllowedAndAnUpgradeMergesIntoOneEntry) {
    Workspace work;
    const std::string target = work.path("target"), log = work.path("install.log");
    const std::string one = work.makeSource(script("1.0", "old.txt"), {{"old.txt", "1"}, {"words.wb", "one"}}, "one");
    const std::string two = work.makeSource(script("2.0", "new.txt"), {{"new.txt", "2"}, {"words.wb", "two"}}, "two");

    ASSERT_EQ(runQuiet(two, target, "/LOG=\"" + log + "\""), 0u);
    EXPECT_NE(contentOf(log).find("DisplayVersion 2.0, QuietUninstallString \""), std::string::npos)
        << "the log names the entry for a detection rule:\n" << contentOf(log);
    const auto tree = listTree(target);
    EXPECT_EQ(runQuiet(one, target, "/LOG=\"" + log + "\""), 1638u);
    EXPECT_EQ(listTree(target), tree);
    EXPECT_EQ(contentOf(joinPath(target, "language\\words.wb")), "two");
    EXPECT_EQ(entryOf(target)["DisplayVersion"], "2.0");
    EXPECT_NE(contentOf(log).find("exit code 1638"), std::string::npos) << contentOf(log);

    {
        Installer app(one);
        ASSERT_TRUE(startInto(app, target));
        auto box = app.waitForMessageBox("Install");
        ASSERT_TRUE(box) << app.describeWindows();
        EXPECT_EQ(box->text.rfind("A newer version (2.0) of Versioned Dictionary is installed in " + target + ".", 0),
                  0u)
            << box->text;
        app.answer(*box);
        app.click(kStopButton);
        EXPECT_EQ(app.waitForExit(), 0u);
        EXPECT_EQ(listTree(target), tree);
    }

    EXPECT_EQ(runQuiet(one, target, "/ALLOWDOWNGRADE"), 0u);
    EXPECT_EQ(entryOf(target)["DisplayVersion"], "1.0");
    EXPECT_EQ(contentOf(joinPath(target, "language\\words.wb")), "one");
    EXPECT_EQ(quietUninstall(target), 0u);

    const std::string upgraded = work.path("upgraded");
    ASSERT_EQ(runQuiet(one, upgraded), 0u);
    ASSERT_EQ(runQuiet(two, upgraded), 0u);
    int entries = 0;
    for (const std::string& entry : uninstallEntries())
        entries += keyValues(entry.rfind("HKCU", 0) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                             std::string(kUninstallKey) + "\\" + entry.substr(5))["InstallLocation"] == upgraded;
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(entryOf(upgraded)["DisplayVersion"], "2.0");
    EXPECT_EQ(listTree(upgraded), withUninstaller({"language\\", "language\\words.wb", "new.txt", "old.txt"}));
    EXPECT_EQ(quietUninstall(upgraded), 0u);
    EXPECT_FALSE(pathExists(upgraded));
}

// A word list held open without sharing: the silent reinstall writes the
// new one beside it, schedules the replacement and exits 3010; the restart
// puts it in place. Interactively a box offers Retry, which goes on once the
// file is released. The silent uninstall of a held file exits 3010, and the
// restart removes the file, its folders and the entry.
TEST(Deployment, AFileInUseIsReplacedOrRemovedAtTheNextRestart) {
    Workspace work;
    const std::string target = work.path("target"), log = work.path("install.log");
    const std::string words = joinPath(target, "language\\words.wb");
    const std::string one = work.makeSource(script("1.0", "a.txt"), {{"a.txt", "a"}, {"words.wb", "one"}}, "one");
    const std::string two = work.makeSource(script("1.0", "a.txt"), {{"a.txt", "a"}, {"words.wb", "two"}}, "two");
    const std::string three = work.makeSource(script("1.0", "a.txt"), {{"a.txt", "a"}, {"words.wb", "three"}}, "three");
    ASSERT_EQ(runQuiet(one, target), 0u);

    HANDLE held = holdOpen(words);
    EXPECT_EQ(runQuiet(two, target, "/LOG=\"" + log + "\""), 3010u);
    EXPECT_NE(pendingRenames().find(words), std::string::npos) << pendingRenames();
    const std::string text = contentOf(log);
    EXPECT_NE(text.find("restart needed: A file was in use"), std::string::npos) << text;
    EXPECT_NE(text.find(words), std::string::npos) << text;
    CloseHandle(held);
    EXPECT_EQ(contentOf(words), "one");
    restartWindows();
    EXPECT_EQ(contentOf(words), "two");
    EXPECT_EQ(listTree(target), withUninstaller({"a.txt", "language\\", "language\\words.wb"}))
        << "the temporary is gone";

    // Ignore, then Abort at a later copy: the run is undone, and the new
    // file that waited for the restart goes with it.
    const std::string aborted = work.makeSource(script("1.0", "a.txt") + "copy b.txt b.txt\n",
                                                {{"a.txt", "a"}, {"words.wb", "new"}, {"b.txt", "b"}}, "aborted");
    makeDirectories(joinPath(target, "b.txt"));
    held = holdOpen(words);
    {
        Installer app(aborted);
        ASSERT_TRUE(startInto(app, target));
        auto inUse = app.waitForMessageBox("Install");
        ASSERT_TRUE(inUse) << app.describeWindows();
        app.answer(*inUse, IDIGNORE);
        auto failed = app.waitForMessageBox("Error");
        ASSERT_TRUE(failed) << app.describeWindows();
        app.answer(*failed, IDABORT);
        EXPECT_EQ(app.waitForExit(kRunWait), 1u) << app.describeWindows();
    }
    CloseHandle(held);
    RemoveDirectoryA(joinPath(target, "b.txt").c_str());
    EXPECT_EQ(listTree(target), withUninstaller({"a.txt", "language\\", "language\\words.wb"}))
        << "the temporary is undone with the run";
    EXPECT_EQ(contentOf(words), "two");

    held = holdOpen(words);
    {
        Installer app(three);
        ASSERT_TRUE(startInto(app, target));
        auto box = app.waitForMessageBox("Install");
        ASSERT_TRUE(box) << app.describeWindows();
        EXPECT_NE(box->text.find("in use"), std::string::npos) << box->text;
        EXPECT_TRUE(GetDlgItem(box->window, IDRETRY)) << "the box offers Retry";
        CloseHandle(held);
        app.answer(*box, IDRETRY);
        EXPECT_EQ(app.waitForExit(kRunWait), 0u) << app.describeWindows();
    }
    EXPECT_EQ(contentOf(words), "three");

    held = holdOpen(words);
    EXPECT_EQ(quietUninstall(target), 3010u);
    EXPECT_TRUE(pathExists(words));
    EXPECT_FALSE(entryOf(target).empty()) << "the entry lasts as long as the installation";
    CloseHandle(held);
    restartWindows();
    EXPECT_FALSE(pathExists(words));
    EXPECT_FALSE(pathExists(target)) << "its folders go with it";
    EXPECT_TRUE(entryOf(target).empty()) << "the entry goes at the restart";
}

namespace e2e {

// A TO wordlist and kelmo.ini that the dictionary program holds open (the
// settings shared for reading) are written whole beside them, and the
// restart puts them in place: exit code 3010. kelmo.ini, rewritten for each
// language and sorted, is read back from the one that waits. Interactively
// a held TO wordlist gets the box, and Retry goes on once it is released.
TEST(Deployment, AHeldToWordlistIsReplacedAtTheNextRestart) {
    Workspace work;
    const std::string target = work.path("target"), to = joinPath(target, "language\\itarev.wb");
    const std::string settings = joinPath(target, "kelmo.ini");
    auto source = [&](const char* meaning, const char* name, bool english) {
        std::string list = "it,en,1,Italiano\r\nengita.wb\r\nitarev.wb\r\n";
        if (english)
            list += "en,it,1,English\r\nengita.wb\r\nengrev.wb\r\n";
        return work.makeSource("title Sample Italian Dictionary\nmkdir language\ncopy language.cf language.cf\n"
                               "copy engita.wb language\\engita.wb\nmkwlist\n",
                               {{"language.cf", list}, {"engita.wb", wordRecord("house", meaning)}}, name);
    };
    ASSERT_EQ(runQuiet(source("casa", "one", false), target), 0u);
    const std::string before = contentOf(to), settingsBefore = contentOf(settings);
    const std::string program = uninstallerOf(target);
    const std::string record = joinPath(program.substr(0, program.rfind('\\')), "uninstall.dat");
    HANDLE held = holdOpen(to), heldSettings = holdOpen(settings, FILE_SHARE_READ);
    HANDLE heldRecord = holdOpen(record, FILE_SHARE_READ);
    const std::string log = work.path("held.log");
    EXPECT_EQ(runQuiet(source("dimora", "two", true), target, "/LOG=\"" + log + "\""), 3010u);
    for (const std::string& waits : {to, settings, record})
        EXPECT_NE(contentOf(log).find("in use: " + waits + "; "), std::string::npos) << contentOf(log);
    CloseHandle(held);
    CloseHandle(heldSettings);
    CloseHandle(heldRecord);
    EXPECT_EQ(contentOf(record).find("engrev.wb"), std::string::npos);
    EXPECT_NE(contentOf(record + ".new~").find("engrev.wb"), std::string::npos) << "the new record waits";
    EXPECT_EQ(contentOf(to), before);
    EXPECT_EQ(contentOf(settings), settingsBefore);
    restartWindows();
    EXPECT_EQ(contentOf(to), wordRecord("dimora", "house"));
    const std::string sorted = contentOf(settings);
    EXPECT_LT(sorted.find(",English"), sorted.find(",Italiano")) << sorted;
    EXPECT_EQ(sorted.find(",Italiano"), sorted.rfind(",Italiano")) << sorted;
    EXPECT_FALSE(pathExists(to + ".new~"));
    EXPECT_FALSE(pathExists(settings + ".new~"));
    EXPECT_NE(contentOf(record).find("engrev.wb"), std::string::npos) << contentOf(record);
    EXPECT_FALSE(pathExists(record + ".new~"));

    // A held list where no installation put one: no box before the copies.
    const std::string fresh = work.path("fresh"), freshTo = joinPath(fresh, "language\\itarev.wb");
    makeDirectories(joinPath(fresh, "language"));
    writeFile(freshTo, "the user's own");
    held = holdOpen(freshTo);
    Installer app(source("dimora", "three", false));
    ASSERT_TRUE(startInto(app, fresh));
    auto box = app.waitForMessageBox("Install", Millis{30000});
    ASSERT_TRUE(box) << app.describeWindows();
    EXPECT_NE(box->text.find("Can't replace\n" + freshTo), std::string::npos) << box->text;
    CloseHandle(held);
    app.answer(*box, IDRETRY);
    auto finished = app.waitForMessageBox("Install", Millis{30000});
    ASSERT_TRUE(finished) << app.describeWindows();
    EXPECT_EQ(finished->text, "Install Finished ");
    app.answer(*finished, IDOK);
    EXPECT_EQ(app.waitForExit(kRunWait), 0u) << app.describeWindows();
    EXPECT_EQ(contentOf(freshTo), wordRecord("dimora", "house"));
}

}  // namespace e2e

// The uninstall side, as a user meets it: install the sample dictionary,
// find its entry in the registry, run the uninstaller it names as Apps &
// Features does, and compare the target, the Programs folders, win.ini's
// [Dictionary] section and the Uninstall keys with what they were before.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <map>

using namespace e2e;

// The round trip: the entry Apps & Features lists, read back with its values;
// then uninstall.exe puts back the target, the group, win.ini and the registry.
TEST(Uninstall, SampleRoundTripPutsEverythingBack) {
    Workspace work;
    const std::string target = work.path("target");
    const std::string source = work.makeSource(sampleScript("E2E Uninstall Sample"), sampleFiles());
    WritePrivateProfileStringA("Dictionary", "Font", "Arial", "win.ini");
    WritePrivateProfileStringA("Dictionary", "Untouched", "kept", "win.ini");
    const SystemState before = systemState(target);

    ASSERT_EQ(installSample(source, target), 0u);
    std::vector<std::string> added = uninstallEntries();
    ASSERT_EQ(added.size(), before.at("entries").size() + 1);
    for (const std::string& old : before.at("entries")) added.erase(std::find(added.begin(), added.end(), old));
    auto values = keyValues(added[0].rfind("HKCU", 0) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                            std::string(kUninstallKey) + "\\" + added[0].substr(5));
    // Elevated, the uninstaller and its record lie in a folder of Program
    // Files named as the entry's key; else in the target.
    const std::string folder = runsElevated() ? joinPath(specialFolder(CSIDL_PROGRAM_FILES),
                                                         "Dictionary Uninstall\\" + added[0].substr(5))
                                              : target;
    const std::string exe = joinPath(folder, "uninstall.exe");
    std::size_t bytes = contentOf(joinPath(specialFolder(CSIDL_PROGRAMS), "E2E Uninstall Sample\\Sample Dictionary.lnk")).size();
    for (const std::string& name : listTree(target))
        if (!isDirectory(joinPath(target, name)) && name.rfind("uninstall.", 0) != 0)
            bytes += contentOf(joinPath(target, name)).size();
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    snprintf(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(values, (std::map<std::string, std::string>{
                          {"DisplayName", "Sample Italian Dictionary"}, {"UninstallString", "\"" + exe + "\""},
                          {"QuietUninstallString", "\"" + exe + "\" /S"}, {"InstallLocation", target},
                          {"DisplayIcon", exe}, {"DisplayVersion", "2.1.0"}, {"Publisher", "Sample Press"},
                          {"URLInfoAbout", "https://example.org/dict"}, {"InstallDate", date},
                          {"EstimatedSize", std::to_string((bytes + 1023) / 1024)}, {"NoModify", "1"},
                          {"NoRepair", "1"}}));
    EXPECT_TRUE(pathExists(joinPath(folder, "uninstall.dat")));

    const std::vector<std::string> copies = uninstallCopies();
    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(closing, "Sample Italian Dictionary was removed from " + target + ".");
    EXPECT_EQ(systemState(target), before);
    expectNoCopyLeftUnscheduled(copies);
}

// Two installations into one target (the second changes a setting again),
// a user's file added, a file in use skipped: one uninstallation removes
// both runs' other files, keeps the user's file and its folders and says
// so, leaves the file in use to the next restart (exit code 3010), and
// win.ini loses the section the first run made.
TEST(Uninstall, TwoInstallationsOneUninstallKeepsTheUsersAndSkippedFiles) {
    Workspace work;
    const std::string target = work.path("target");
    WritePrivateProfileStringA("Dictionary", nullptr, nullptr, "win.ini");
    const SystemState before = systemState(target);

    auto files = sampleFiles();
    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Uninstall Twice"), files), target), 0u);
    files.emplace_back("docs\\later.txt", "from the second run\r\n");
    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Uninstall Twice", "Courier"), files, "source2"), target),
              0u);
    EXPECT_EQ(uninstallEntries().size(), before.at("entries").size() + 1) << "a reinstall adds no second entry";
    writeFile(joinPath(target, "language\\mine.txt"), "my notes\r\n");

    // The second run's file, in use, is skipped: removed at the next restart.
    const std::string held = joinPath(target, "docs\\later.txt");
    HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::unique_ptr<Installer> first;
    auto retry = startUninstall(target, first);
    ASSERT_TRUE(retry);
    EXPECT_NE(retry->first.text.find("in use by another program"), std::string::npos) << retry->first.text;
    ASSERT_TRUE(answerBox(retry->first.window, IDCANCEL));
    auto last = waitForUninstallBox();
    ASSERT_TRUE(last);
    const std::string closing = last->first.text;
    answerBox(last->first.window, IDOK);
    EXPECT_EQ(waitForProcess(last->second), 3010u);
    EXPECT_EQ(first->waitForExit(), 3010u);
    CloseHandle(lock);
    for (const std::string& listed : {held, joinPath(target, "language\\mine.txt"), joinPath(target, "language"),
                                      target})
        EXPECT_NE((closing + "\n").find("\n    " + listed + "\n"), std::string::npos) << listed << " not in:\n" << closing;
    SystemState expected = before;
    expected["entries"] = systemState(target).at("entries");
    expected["protected records"] = systemState(target).at("protected records");
    expected["target"] = {"docs\\", "docs\\later.txt", "language\\", "language\\mine.txt"};
    if (!runsElevated()) expected["target"].insert(expected["target"].end(), {"uninstall.dat", "uninstall.exe"});
    EXPECT_EQ(systemState(target), expected) << "the entry, the uninstaller and its record last until the restart";
    EXPECT_TRUE(pathExists(uninstallerOf(target)));
    restartWindows();
    expected["entries"] = before.at("entries");
    expected["protected records"] = before.at("protected records");
    expected["target"] = {"language\\", "language\\mine.txt"};
    EXPECT_EQ(systemState(target), expected);
}

// A damaged record is refused and nothing goes; an uninstallation killed while
// its Retry/Skip box is up (after Retry was tried once, the win.ini keys
// already put back) can be run again and finishes the job, saying only that.
TEST(Uninstall, DamagedRecordIsRefusedAndAnInterruptedRunCanBeFinished) {
    Workspace work;
    const std::string target = work.path("target");
    const SystemState before = systemState(target);
    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Uninstall Again"), sampleFiles()), target), 0u);
    const SystemState installed = systemState(target);

    const std::string program = uninstallerOf(target);
    const std::string recordPath = joinPath(program.substr(0, program.rfind('\\')), "uninstall.dat");
    const std::string record = contentOf(recordPath);
    std::string damaged = record;
    damaged[damaged.find("readme.txt")] = 'R';
    writeFile(recordPath, damaged);
    {
        Installer refused(target, program);
        auto box = refused.waitForMessageBox("Uninstall");
        ASSERT_TRUE(box);
        EXPECT_NE(box->text.find("damaged"), std::string::npos) << box->text;
        refused.answer(*box);
        EXPECT_EQ(refused.waitForExit(), 1u);
    }
    writeFile(recordPath, record);
    EXPECT_EQ(systemState(target), installed) << "a refused record removed something";

    // kelmo.ini, held open without leave to delete, stops the removal after the copies went.
    const std::string held = joinPath(target, "kelmo.ini");
    HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    std::unique_ptr<Installer> first;
    auto retry = startUninstall(target, first);
    ASSERT_TRUE(retry);
    EXPECT_NE(retry->first.text.find(held), std::string::npos) << retry->first.text;
    EXPECT_EQ(windowText(GetDlgItem(retry->first.window, IDCANCEL)), "&Skip");
    ASSERT_TRUE(answerBox(retry->first.window, IDRETRY));
    auto again = waitForUninstallBox();
    ASSERT_TRUE(again);
    EXPECT_NE(again->first.text.find(held), std::string::npos) << again->first.text;
    EXPECT_FALSE(pathExists(joinPath(target, "readme.txt")));
    EXPECT_EQ(waitForProcess(again->second, true), 99u);
    EXPECT_EQ(first->waitForExit(), 99u) << "the process started ends with its copy";
    CloseHandle(lock);

    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(closing, "Sample Italian Dictionary was removed from " + target + ".");
    EXPECT_EQ(systemState(target), before) << closing;
}

// A quiet uninstallation that cannot delete readme.txt exits with 2 and
// keeps the entry, the uninstaller and a record of just that file and its
// folder; a read-only file the installation made goes. Once readme.txt can
// be deleted, the entry's QuietUninstallString finishes the job.
TEST(Uninstall, WhatCannotGoKeepsTheEntryAndTheQuietCommandFinishesLater) {
    Workspace work;
    const std::string target = work.path("target");
    const SystemState before = systemState(target);
    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Uninstall Later"), sampleFiles()), target), 0u);
    const std::string program = uninstallerOf(target), quiet = entryOf(target)["QuietUninstallString"];
    const std::string recordPath = joinPath(program.substr(0, program.rfind('\\')), "uninstall.dat");
    const std::string stuck = joinPath(target, "readme.txt");
    ASSERT_TRUE(SetFileAttributesA(joinPath(target, "docs\\abbrev.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    if (!setUndeletable(stuck, true)) GTEST_SKIP() << "no file can be made undeletable here";

    const DWORD first = runQuietUninstall(target);
    setUndeletable(stuck, false);
    EXPECT_EQ(first, 2u);
    EXPECT_EQ(entryOf(target)["QuietUninstallString"], quiet);
    EXPECT_EQ(listTree(target), (runsElevated() ? std::vector<std::string>{"readme.txt"}
                                                : std::vector<std::string>{"readme.txt", "uninstall.dat", "uninstall.exe"}))
        << "the read-only docs\\abbrev.txt went with the rest";
    EXPECT_EQ(systemState(target).at("[Dictionary]"), before.at("[Dictionary]"));
    const std::string record = contentOf(recordPath);
    const std::size_t from = std::min(record.find("\ndir "), record.size()), to = record.find("\nend ");
    EXPECT_EQ(record.substr(from, to - from), "\ndir " + target + "\r\nfile " + stuck + "\r") << record;

    EXPECT_EQ(runQuietUninstall(target), 0u);
    // The copy that did the work removes the program and its record once
    // the program that started it has ended.
    waitUntil([&] { return systemState(target) == before; });
    EXPECT_EQ(systemState(target), before);
}

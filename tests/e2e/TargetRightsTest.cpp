// What the elevated installer trusts, as Wine can show it: Wine keeps no
// access list beyond the Unix mode bits, so a folder made world-writable
// from Linux reads back as one that Everyone may change, and a Unix
// symbolic link reads back as a link. Wine run as root reports its
// programs as elevated (runsElevated); without that the checks are off and
// the tests are skipped.
#include "UninstallSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

std::string unixName(const std::string& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    std::wstring wide(path.begin(), path.end());
    char* name = toUnix(wide.c_str());
    std::string out = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Runs a Linux command line, as a user of the machine would; true once it
// has succeeded. Wine reports neither its end nor its exit code, so it
// leaves a marker file beside this program's work when it succeeds.
bool runUnix(const std::string& command, const std::string& marker) {
    std::string line = "/bin/sh -c \"";
    for (char c : command + " && touch \"" + unixName(marker) + "\"")
        line += c == '"' ? std::string("\\\"") : std::string(1, c);
    line += "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const bool done = waitUntil([&] { return pathExists(marker); });
    DeleteFileA(marker.c_str());
    return done;
}

bool setMode(const std::string& folder, const char* mode) {
    return runUnix("/bin/chmod " + std::string(mode) + " \"" + unixName(folder) + "\"", folder + ".done");
}

DWORD runQuietly(const std::string& folder, const std::string& arguments,
                 const std::string& program = installerPath()) {
    Installer app(folder, program, "/VERYSILENT " + arguments);
    return app.waitForExit(kRunWait);
}

}  // namespace

// An existing target that Everyone may change is refused at Start with the
// box, and silently with exit code 1 and the sentence in the log; nothing
// is written. Without the world's write bit it is taken, and a folder in it
// that Everyone may change is a failed step with nothing written into it.
// The system's folders and the temporary folder are refused however spelled.
TEST(TargetRights, FoldersOthersMayChangeAreRefusedAndTheSystemsAsEverSpelled) {
    if (!runsElevated()) GTEST_SKIP() << "the rights are checked only when elevated";
    Workspace work;
    const std::string source =
        work.makeSource("title Sample Italian Dictionary\nmkdir sub\ncopy a.txt a.txt\ncopy a.txt sub\\b.txt\n",
                                               {{"a.txt", "alpha\n"}});
    const std::string open = work.path("open"), log = work.path("run.log");
    makeDirectories(joinPath(open, "sub"));
    ASSERT_TRUE(setMode(open, "0777")) << "chmod from Linux";
    const std::string why = "Other users can change files in " + open +
                            ". Choose a new folder, or one that only administrators can change.";
    {
        Installer app(source);
        ASSERT_TRUE(startInto(app, open));
        expectBox(app, "Error", "Invalid Directory\n\n" + why);
        app.click(kStopButton);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
    EXPECT_EQ(runQuietly(source, "/DIR=\"" + open + "\" /LOG=\"" + log + "\""), 1u);
    EXPECT_NE(contentOf(log).find(why), std::string::npos) << contentOf(log);
    EXPECT_EQ(listTree(open), std::vector<std::string>{"sub\\"});
    EXPECT_TRUE(entryOf(open).empty());

    ASSERT_TRUE(setMode(open, "0755") && setMode(joinPath(open, "sub"), "0777"));
    EXPECT_EQ(runQuietly(source, "/DIR=\"" + open + "\" /LOG=\"" + log + "\""), 2u);
    EXPECT_EQ(contentOf(joinPath(open, "a.txt")), "alpha\n");
    EXPECT_FALSE(pathExists(joinPath(open, "sub\\b.txt")));
    EXPECT_NE(contentOf(log).find("Other users can change files in " + joinPath(open, "sub") + "."), std::string::npos);
    uninstall(open);

    const std::string windows = specialFolder(CSIDL_WINDOWS);
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    const std::pair<std::string, std::string> refused[] = {
        {"\\\\?\\" + windows, "is the Windows folder"},
        {windows + "\\system32\\..\\.", "is the Windows folder"},
        {windows + ". ", "is the Windows folder"},
        {joinPath(temp, "dictionary"), "is in the temporary folder"},
    };
    for (const auto& [target, reason] : refused) {
        EXPECT_EQ(runQuietly(source, "/DIR=\"" + target + "\" /LOG=\"" + log + "\""), 1u) << target;
        EXPECT_NE(contentOf(log).find(reason), std::string::npos) << target << ":\n" << contentOf(log);
    }
    EXPECT_FALSE(pathExists(joinPath(temp, "dictionary")));
}

// A log, named or in its default place, that is a link to another file is
// not written: that file stays as it was, and the run goes on. A setup file
// started with a relative /DIR installs into the folder it was started in,
// and what it installed stays when it ends.
TEST(TargetRights, LogsGoNowhereThroughALinkAndARelativeDirIsTheStartFolders) {
    if (!runsElevated()) GTEST_SKIP() << "the default log's protected place is for elevated runs";
    Workspace work;
    const std::string medium = work.makeSource(sampleScript("E2E Rights"), sampleFiles(), "medium");
    const std::string setup = work.path("setup.exe"), report = work.path("bundle.txt");
    ASSERT_EQ(runTool("bundle \"" + medium + "\" -o \"" + setup + "\" --installer \"" + installerPath() + "\"", report),
              0u)
        << contentOf(report);
    const std::string logFolder = joinPath(specialFolder(CSIDL_COMMON_APPDATA), "Dictionary Setup Logs");
    const std::string defaultLog = joinPath(logFolder, "dictionary-install.log");
    const std::string victim = work.path("victim.txt"), named = work.path("named.log");
    writeFile(victim, "keep\n");
    DeleteFileA(defaultLog.c_str());

    const std::string plain = work.path("plain");
    EXPECT_EQ(runQuietly(medium, "/DIR=\"" + plain + "\" /LOG"), 0u);
    EXPECT_NE(contentOf(defaultLog).find("exit code 0"), std::string::npos) << defaultLog;
    uninstall(plain);

    ASSERT_TRUE(DeleteFileA(defaultLog.c_str())) << GetLastError();
    ASSERT_TRUE(makeLink(defaultLog, victim) && makeLink(named, victim));
    EXPECT_EQ(runQuietly(medium, "/DIR=\"" + plain + "\" /LOG"), 0u);
    const std::string start = work.path("start");
    makeDirectories(start);
    EXPECT_EQ(runQuietly(start, "/DIR=rel /LOG=\"" + named + "\"", setup), 0u);
    EXPECT_EQ(contentOf(victim), "keep\n");
    DeleteFileA(defaultLog.c_str());
    EXPECT_EQ(contentOf(joinPath(start, "rel\\readme.txt")), "Sample dictionary\r\n");
    EXPECT_EQ(entryOf(joinPath(start, "rel"))["InstallLocation"], joinPath(start, "rel"));
    uninstall(joinPath(start, "rel"));
    uninstall(plain);
}

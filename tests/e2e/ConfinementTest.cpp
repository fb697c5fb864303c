// Names that leave the target, and a setup file whose name has come to
// name another file: nothing is written outside the target, the steps are
// shown or counted as failed, dicttool check names them, and no payload but
// the running program's own is ever unpacked.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

const char kLeavingLines[] =
    "title Sample Italian Dictionary\n"
    "copy a.txt ..\\outside.txt\n"
    "mkdir ..\\outdir\n"
    "xcopy *.txt C:\\\n"
    "sndcopy snd nul\n"
    "copy a.txt kept.txt\n";

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

TEST(Confinement, NamesThatLeaveTheTargetAreRefusedShownAndReported) {
    Workspace work;
    const std::string box = work.path("box"), target = joinPath(box, "target");
    makeDirectories(box);
    const std::string shortcut = "E2E Leaving";
    const std::string plain = work.makeSource(std::string(kLeavingLines) + "iconname " + shortcut +
                                                  "\niconexe ..\\outside.exe\n",
                                              {{"a.txt", "alpha\n"}, {"snd\\s.wav", "w"}}, "plain");
    Installer app(plain);
    ASSERT_TRUE(startInto(app, target));
    expectClosingWarning(app, 5,
                         {"Copy to ..\\outside.txt (outside the target)", "Folder ..\\outdir (outside the target)",
                          "Copy to C:\\ (outside the target)", "Copy to nul (outside the target)",
                          "Shortcut " + shortcut});
    EXPECT_EQ(app.waitForExit(), 2u);
    EXPECT_EQ(contentOf(joinPath(target, "kept.txt")), "alpha\n") << "a plain name works as before";
    EXPECT_FALSE(pathExists(joinPath(programsFolder(), shortcut + ".lnk")));
    uninstall(target);

    // With a language list whose TO name climbs out of the language folder:
    // the build ends with the error, silently with exit code 1 and the log.
    const std::string lists = work.makeSource(
        std::string(kLeavingLines) + "mkdir language\ncopy it.wb language\\it.wb\ncopy language.cf language.cf\n" +
            "mkwlist\n",
        {{"a.txt", "alpha\n"},
         {"it.wb", wordRecord("casa", "house")},
         {"language.cf", "it,en,1,Italiano\r\nit.wb\r\n..\\outside.wb\r\n"}},
        "lists");
    const std::string log = work.path("leaving.log"), second = joinPath(box, "second");
    Installer quiet(lists, installerPath(), "/VERYSILENT /DIR=\"" + second + "\" /LOG=\"" + log + "\"");
    EXPECT_EQ(quiet.waitForExit(Millis{60000}), 1u);
    const std::string logged = contentOf(log);
    EXPECT_NE(logged.find("failed: Copy to ..\\outside.txt climbs out"), std::string::npos) << logged;
    EXPECT_NE(logged.find("Wordlist name \"..\\outside.wb\" climbs out with \"..\""), std::string::npos) << logged;
    for (const char* name : {"outside.txt", "outdir", "outside.wb", "second\\outside.wb"})
        EXPECT_FALSE(pathExists(joinPath(box, name))) << name;
    EXPECT_FALSE(pathExists("C:\\a.txt"));
    EXPECT_FALSE(pathExists(second)) << "the failed run is undone";

    const std::string report = work.path("check.txt");
    EXPECT_EQ(runTool("check \"" + lists + "\"", report), 1u);
    const std::string checked = contentOf(report);
    EXPECT_NE(checked.find("install.inf:2: leaves-target"), std::string::npos) << checked;
    EXPECT_NE(checked.find("install.inf:5: leaves-target"), std::string::npos) << checked;
    EXPECT_NE(checked.find(":3: name-leaves-folder"), std::string::npos) << checked;
}

// The setup file is started suspended, renamed away before its first line
// runs, and another setup file put under its name. Where the system reports
// the running image under its new name (Windows), the own payload is
// unpacked; where it reports the old one (Wine), the file found there is
// refused as not the program that runs. Either way the other file's payload
// is never unpacked.
TEST(Confinement, ThePayloadComesFromTheRunningImageNotFromItsFormerName) {
    Workspace work;
    const std::string own = work.makeSource("copy own.txt own.txt\n", {{"own.txt", "own\n"}}, "own");
    const std::string other = work.makeSource("copy other.txt other.txt\n", {{"other.txt", "other\n"}}, "other");
    const std::string setup = work.path("setup.exe"), impostor = work.path("impostor.exe");
    const std::string report = work.path("bundle.txt");
    const std::string bundle = "\" --installer \"" + installerPath() + "\"";
    ASSERT_EQ(runTool("bundle \"" + own + "\" -o \"" + setup + bundle, report), 0u) << contentOf(report);
    ASSERT_EQ(runTool("bundle \"" + other + "\" -o \"" + impostor + bundle, report), 0u) << contentOf(report);

    const std::string target = work.path("target"), log = work.path("setup.log");
    std::wstring command = L"\"" + wide(setup) + L"\" /VERYSILENT /DIR=\"" + wide(target) + L"\" /LOG=\"" +
                           wide(log) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(wide(setup).c_str(), &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               wide(work.root()).c_str(), &startup, &process));
    const bool swapped = MoveFileW(wide(setup).c_str(), wide(work.path("moved.exe")).c_str()) &&
                         CopyFileW(wide(impostor).c_str(), wide(setup).c_str(), TRUE);
    ResumeThread(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(swapped) << "the running setup file could not be renamed and replaced";

    EXPECT_FALSE(pathExists(joinPath(target, "other.txt"))) << "the other file's payload was unpacked";
    if (code == 0) {
        EXPECT_EQ(contentOf(joinPath(target, "own.txt")), "own\n");
        uninstall(target);
    } else {
        EXPECT_EQ(code, 1u);
        EXPECT_NE(contentOf(log).find("is not the program that runs"), std::string::npos) << contentOf(log);
        EXPECT_FALSE(pathExists(target));
    }
}

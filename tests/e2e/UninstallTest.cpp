// The uninstall side, as a user meets it: install the sample dictionary,
// find its entry in the registry, run uninstall.exe from the target
// directory, and compare the target, the Programs folders, win.ini's
// [Dictionary] section and the Uninstall keys with what they were before.
#include "Harness.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <map>

using namespace e2e;

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The sample's setup script, with a group of the test's own.
std::string sampleScript(const std::string& group, const std::string& fontSetting = "Times New Roman") {
    return "title Sample Italian Dictionary\nmkdir language\nmkdir docs\nmkdir sounds\n"
           "copy readme.txt readme.txt\ncopy viewer.bat viewer.bat\ncopy language.cf language.cf\n"
           "xcopy language\\*.wb language\nxcopy docs\\*.txt docs\nsndcopy sounds sounds\navidelay 250\n"
           "setini Font=" + fontSetting + "\nsetini StartPage=index=1\niconname Sample Dictionary\n"
           "icongroup " + group + "\niconexe viewer.bat\ndisplay readme.txt\nmkwlist\n";
}

std::vector<std::pair<std::string, std::string>> sampleFiles() {
    return {{"readme.txt", "Sample dictionary\r\n"},
            {"viewer.bat", "@echo off\r\n"},
            {"language.cf", "it,en,1,Italiano\r\nengita.wb\r\nitarev.wb\r\nen,it,1,English\r\nitaeng.wb\r\nengrev.wb\r\n"},
            {"language\\itaeng.wb", wordRecord("casa", "house,home") + wordRecord("libro", "book")},
            {"language\\engita.wb", wordRecord("house", "casa") + wordRecord("book", "libro,volume")},
            {"docs\\abbrev.txt", "n. noun\r\n"},
            {"sounds\\casa.wav", std::string(300, 'w')}};
}

std::string specialFolder(int which) {
    char path[MAX_PATH] = "";
    return SHGetSpecialFolderPathA(nullptr, path, which, TRUE) ? path : "";
}

std::vector<std::string> nullSeparated(const std::vector<char>& buffer) {
    std::vector<std::string> out;
    for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) out.emplace_back(p);
    return out;
}

// The registry values of one key, numbers in decimal.
std::map<std::string, std::string> keyValues(HKEY root, const std::string& path) {
    std::map<std::string, std::string> values;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    char name[256];
    BYTE data[2048];
    DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) == ERROR_SUCCESS; ++i) {
        data[dataSize] = 0;
        values[name] = type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : (char*)data;
        nameSize = sizeof name, dataSize = sizeof data - 1;
    }
    RegCloseKey(key);
    return values;
}

// This project's entries under the Uninstall keys, "HKCU\name" or "HKLM\name".
std::vector<std::string> uninstallEntries() {
    std::vector<std::string> out;
    for (auto [root, label] : {std::pair{HKEY_CURRENT_USER, "HKCU\\"}, std::pair{HKEY_LOCAL_MACHINE, "HKLM\\"}}) {
        HKEY key;
        char name[256];
        if (RegOpenKeyExA(root, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
            if (std::strncmp(name, "Dictionary_", 11) == 0) out.push_back(label + std::string(name));
        RegCloseKey(key);
    }
    return out;
}

// What an installation may change, and an uninstallation must put back.
using SystemState = std::map<std::string, std::vector<std::string>>;

SystemState systemState(const std::string& target) {
    std::vector<char> sections(65536), dictionary(65536);
    GetPrivateProfileSectionNamesA(sections.data(), static_cast<DWORD>(sections.size()), "win.ini");
    GetPrivateProfileSectionA("Dictionary", dictionary.data(), static_cast<DWORD>(dictionary.size()), "win.ini");
    return {{"target", isDirectory(target) ? listTree(target) : std::vector<std::string>{"<none>"}},
            {"programs", listTree(specialFolder(CSIDL_PROGRAMS))},
            {"common programs", listTree(specialFolder(CSIDL_COMMON_PROGRAMS))},
            {"win.ini sections", nullSeparated(sections)},
            {"[Dictionary]", nullSeparated(dictionary)},
            {"entries", uninstallEntries()}};
}

// Installs, answering each language's closing message.
DWORD installSample(const std::string& source, const std::string& target) {
    Installer app(source);
    if (!app.waitForMainWindow() || !app.setText(kEditBox, target)) return STILL_ACTIVE;
    app.click(kStartButton);
    while (app.running()) {
        for (const MessageBoxInfo& box : app.messageBoxes())
            if (box.caption == "Install") app.answer(box);
        Sleep(25);
    }
    return app.waitForExit();
}

// A message box and the id of the process that shows it.
using Box = std::pair<MessageBoxInfo, DWORD>;

// A visible "Uninstall" box of any process (the removal runs in a copy of
// the uninstaller that the test did not start), with that process's id.
std::optional<Box> waitForUninstallBox(Millis timeout = kWait) {
    std::optional<Box> found;
    waitUntil([&] {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "#32770", "Uninstall")))
            if (IsWindowVisible(window)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                found = {readMessageBox(window), pid};
                return true;
            }
        return false;
    }, timeout);
    if (!found) ADD_FAILURE() << "expected a message box captioned \"Uninstall\" within " << timeout.count() << " ms";
    return found;
}

bool answerBox(HWND box, int buttonId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    return waitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

DWORD waitForProcess(DWORD pid, bool terminate = false) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
    if (!process) return STILL_ACTIVE;
    if (terminate) TerminateProcess(process, 99);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, static_cast<DWORD>(kWait.count())) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

// Starts uninstall.exe from the target directory and answers Yes; returns
// the first box of the copy that does the removal, still open.
std::optional<Box> startUninstall(const std::string& target) {
    Installer first(target, joinPath(target, "uninstall.exe"));
    auto ask = first.waitForMessageBox("Uninstall");
    if (!ask) return std::nullopt;
    EXPECT_NE(ask->text.find("Sample Italian Dictionary"), std::string::npos) << ask->text;
    EXPECT_NE(ask->text.find(target), std::string::npos) << ask->text;
    first.answer(*ask, IDYES);
    EXPECT_EQ(first.waitForExit(), 0u);
    return waitForUninstallBox();
}

// A whole uninstallation: Yes, then the closing box; its text and the
// removing copy's exit code.
std::pair<std::string, DWORD> uninstall(const std::string& target) {
    auto closing = startUninstall(target);
    if (!closing) return {"<no closing box>", STILL_ACTIVE};
    answerBox(closing->first.window, IDOK);
    return {closing->first.text, waitForProcess(closing->second)};
}

// The copy in the temporary folder is gone, or waits for the next restart.
void expectNoCopyLeftUnscheduled() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::vector<char> pending(65536);
    DWORD size = static_cast<DWORD>(pending.size()) - 2;
    RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                 "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, pending.data(), &size);
    std::string scheduled;
    for (DWORD i = 0; i < size; ++i) scheduled += pending[i] ? pending[i] : '|';
    for (const std::string& name : listTree(temp)) {
        if (name.rfind("uninstall-", 0) == 0) {
            EXPECT_NE(scheduled.find(name), std::string::npos) << name << " is neither gone nor scheduled";
        }
    }
}

}  // namespace

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
    const std::string exe = joinPath(target, "uninstall.exe");
    std::size_t bytes = contentOf(joinPath(specialFolder(CSIDL_PROGRAMS), "E2E Uninstall Sample\\Sample Dictionary.lnk")).size();
    for (const std::string& name : listTree(target))
        if (!isDirectory(joinPath(target, name)) && name.rfind("uninstall.", 0) != 0)
            bytes += contentOf(joinPath(target, name)).size();
    EXPECT_EQ(values, (std::map<std::string, std::string>{
                          {"DisplayName", "Sample Italian Dictionary"}, {"UninstallString", "\"" + exe + "\""},
                          {"InstallLocation", target}, {"DisplayIcon", exe},
                          {"EstimatedSize", std::to_string((bytes + 1023) / 1024)}, {"NoModify", "1"},
                          {"NoRepair", "1"}}));
    EXPECT_TRUE(pathExists(joinPath(target, "uninstall.dat")));

    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(closing, "Sample Italian Dictionary was removed from " + target + ".");
    EXPECT_EQ(systemState(target), before);
    expectNoCopyLeftUnscheduled();
}

// Two installations into one target (the second changes a setting again),
// a user's file added, a file in use skipped: one uninstallation removes
// both runs' other files, keeps the user's file, the skipped one and their
// folders and says so, and win.ini loses the section the first run made.
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

    // The second run's file, in use, is skipped.
    const std::string held = joinPath(target, "docs\\later.txt");
    HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    auto retry = startUninstall(target);
    ASSERT_TRUE(retry);
    EXPECT_NE(retry->first.text.find("another program is using it"), std::string::npos) << retry->first.text;
    ASSERT_TRUE(answerBox(retry->first.window, IDCANCEL));
    auto last = waitForUninstallBox();
    ASSERT_TRUE(last);
    const std::string closing = last->first.text;
    answerBox(last->first.window, IDOK);
    EXPECT_EQ(waitForProcess(last->second), 2u);
    CloseHandle(lock);
    for (const std::string& listed : {held, joinPath(target, "language\\mine.txt"), joinPath(target, "docs"),
                                      joinPath(target, "language"), target})
        EXPECT_NE((closing + "\n").find("\n    " + listed + "\n"), std::string::npos) << listed << " not in:\n" << closing;
    SystemState expected = before;
    expected["target"] = {"docs\\", "docs\\later.txt", "language\\", "language\\mine.txt"};
    EXPECT_EQ(systemState(target), expected);
}

// A damaged record is refused and nothing goes; an uninstallation killed while
// its Retry/Skip box is up (after Retry was tried once) can be run again and
// finishes the job.
TEST(Uninstall, DamagedRecordIsRefusedAndAnInterruptedRunCanBeFinished) {
    Workspace work;
    const std::string target = work.path("target");
    const SystemState before = systemState(target);
    ASSERT_EQ(installSample(work.makeSource(sampleScript("E2E Uninstall Again"), sampleFiles()), target), 0u);
    const SystemState installed = systemState(target);

    const std::string recordPath = joinPath(target, "uninstall.dat");
    const std::string record = contentOf(recordPath);
    std::string damaged = record;
    damaged[damaged.find("readme.txt")] = 'R';
    writeFile(recordPath, damaged);
    {
        Installer refused(target, joinPath(target, "uninstall.exe"));
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
    auto retry = startUninstall(target);
    ASSERT_TRUE(retry);
    EXPECT_NE(retry->first.text.find(held), std::string::npos) << retry->first.text;
    EXPECT_EQ(windowText(GetDlgItem(retry->first.window, IDCANCEL)), "&Skip");
    ASSERT_TRUE(answerBox(retry->first.window, IDRETRY));
    auto again = waitForUninstallBox();
    ASSERT_TRUE(again);
    EXPECT_NE(again->first.text.find(held), std::string::npos) << again->first.text;
    EXPECT_FALSE(pathExists(joinPath(target, "readme.txt")));
    EXPECT_EQ(waitForProcess(again->second, true), 99u);
    CloseHandle(lock);

    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(systemState(target), before) << closing;
}

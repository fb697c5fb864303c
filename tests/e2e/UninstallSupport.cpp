// The uninstall side's shared steps: the sample installed, the system's
// state that an uninstallation must put back, the Apps & Features entry
// read back, and uninstall.exe run as Apps & Features runs it.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace e2e {

namespace {

std::vector<std::string> nullSeparated(const std::vector<char>& buffer) {
    std::vector<std::string> out;
    for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) out.emplace_back(p);
    return out;
}

}  // namespace


// The sample's setup script, with a group of the test's own.
std::string sampleScript(const std::string& group, const std::string& fontSetting) {
    return "title Sample Italian Dictionary\nversion 2.1.0\npublisher Sample Press\nurl https://example.org/dict\n"
           "mkdir language\nmkdir docs\nmkdir sounds\n"
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

SystemState systemState(const std::string& target) {
    std::vector<char> sections(65536), dictionary(65536);
    GetPrivateProfileSectionNamesA(sections.data(), static_cast<DWORD>(sections.size()), "win.ini");
    GetPrivateProfileSectionA("Dictionary", dictionary.data(), static_cast<DWORD>(dictionary.size()), "win.ini");
    return {{"target", isDirectory(target) ? listTree(target) : std::vector<std::string>{"<none>"}},
            {"programs", listTree(specialFolder(CSIDL_PROGRAMS))},
            {"common programs", listTree(specialFolder(CSIDL_COMMON_PROGRAMS))},
            {"win.ini sections", nullSeparated(sections)},
            {"[Dictionary]", nullSeparated(dictionary)},
            {"entries", uninstallEntries()},
            {"protected records", listTree(joinPath(specialFolder(CSIDL_PROGRAM_FILES), "Dictionary Uninstall"))}};
}

// Installs, answering each language's closing message.
DWORD installSample(const std::string& folder, const std::string& target, const std::string& program) {
    Installer app(folder, program);
    if (!app.waitForMainWindow() || !app.setText(kEditBox, target)) return STILL_ACTIVE;
    app.click(kStartButton);
    return app.answerBoxesUntilExit();
}


// A visible "Uninstall" box of any process (the removal runs in a copy of
// the uninstaller that the test did not start), with that process's id.
std::optional<Box> waitForUninstallBox(Millis timeout) {
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
    if (!found)
        ADD_FAILURE() << "expected a message box captioned \"Uninstall\" within " << scaled(timeout).count() << " ms";
    return found;
}

bool answerBox(HWND box, int buttonId) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    return waitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

DWORD waitForProcess(DWORD pid, bool terminate) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
    if (!process) return STILL_ACTIVE;
    if (terminate) TerminateProcess(process, 99);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, scaledMs(kWait)) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

std::map<std::string, std::string> entryOf(const std::string& target) {
    for (const std::string& entry : uninstallEntries()) {
        auto values = keyValues(entry.rfind("HKCU", 0) == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                                std::string(kUninstallKey) + "\\" + entry.substr(5));
        if (lstrcmpiA(values["InstallLocation"].c_str(), target.c_str()) == 0) return values;
    }
    return {};
}

std::string uninstallerOf(const std::string& target) {
    std::string command = entryOf(target)["UninstallString"];
    if (command.size() >= 2 && command.front() == '"' && command.back() == '"')
        command = command.substr(1, command.size() - 2);
    return command;
}

std::optional<Box> startUninstall(const std::string& target, std::unique_ptr<Installer>& first) {
    const std::string program = uninstallerOf(target);
    if (program.empty()) {
        ADD_FAILURE() << "no Apps & Features entry for " << target;
        return std::nullopt;
    }
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    first = std::make_unique<Installer>(windows, program);
    auto ask = first->waitForMessageBox("Uninstall");
    if (!ask) return std::nullopt;
    EXPECT_NE(ask->text.find("Sample Italian Dictionary"), std::string::npos) << ask->text;
    EXPECT_NE(ask->text.find(target), std::string::npos) << ask->text;
    PostMessageA(ask->window, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    std::optional<Box> box;
    waitUntil([&] {
        box = std::nullopt;
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "#32770", "Uninstall")))
            if (IsWindowVisible(window) && window != ask->window) {
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (pid != first->processId()) box = Box{readMessageBox(window), pid};
            }
        return box.has_value();
    });
    if (!box) ADD_FAILURE() << "the copy that removes showed no box";
    return box;
}

std::pair<std::string, DWORD> uninstall(const std::string& target) {
    std::unique_ptr<Installer> first;
    auto closing = startUninstall(target, first);
    if (!closing) return {"<no closing box>", STILL_ACTIVE};
    answerBox(closing->first.window, IDOK);
    const DWORD copyCode = waitForProcess(closing->second);
    const DWORD code = first->waitForExit();
    EXPECT_EQ(code, copyCode) << "the process started ends with the removal's exit code";
    return {closing->first.text, code};
}

std::vector<std::string> uninstallCopies() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::vector<std::string> copies;
    for (const std::string& name : listTree(temp))
        if (name.rfind("uninstall-", 0) == 0) copies.push_back(name);
    return copies;
}

// The copy may still be scheduling its removal when the process that
// started it has ended: it gets until the deadline.
void expectNoCopyLeftUnscheduled(const std::vector<std::string>& before) {
    std::vector<std::string> unscheduled;
    waitUntil([&] {
        std::vector<char> pending(65536);
        DWORD size = static_cast<DWORD>(pending.size()) - 2;
        RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                     "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, pending.data(), &size);
        std::string scheduled;
        for (DWORD i = 0; i < size; ++i) scheduled += pending[i] ? pending[i] : '|';
        unscheduled.clear();
        for (const std::string& name : uninstallCopies())
            if (std::find(before.begin(), before.end(), name) == before.end() &&
                scheduled.find(name) == std::string::npos)
                unscheduled.push_back(name);
        return unscheduled.empty();
    });
    for (const std::string& name : unscheduled) ADD_FAILURE() << name << " is neither gone nor scheduled";
}

void restartWindows() {
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    Installer boot("C:\\", joinPath(system, "wineboot.exe"), "-r");
    EXPECT_EQ(boot.waitForExit(Millis{60000}), 0u);
}

namespace {

// Runs a Unix program on the names (Windows paths, given as Unix ones) and
// waits for it; false when it cannot be started here.
bool runOnUnixNames(const std::string& program, const std::vector<std::string>& paths) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return false;
    std::string command = program;
    for (const std::string& path : paths) {
        std::wstring wide(path.begin(), path.end());
        char* name = unixName(wide.c_str());
        command += std::string(" \"") + (name ? name : "") + "\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    WaitForSingleObject(info.hProcess, scaledMs(kWait));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

}  // namespace

// A link made as a user of the machine makes it (Wine shows a Unix symbolic
// link to a folder as a reparse point, one to a file as the file).
bool makeLink(const std::string& link, const std::string& to) {
    return runOnUnixNames("/bin/ln -s", {to, link}) &&
           waitUntil([&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

void removeLink(const std::string& link) {
    runOnUnixNames("/bin/rm -f", {link});
}

// An immutable file cannot be opened for writing, even by root.
bool setUndeletable(const std::string& path, bool undeletable) {
    auto writable = [&] {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 7, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    };
    return runOnUnixNames(undeletable ? "/usr/bin/chattr +i" : "/usr/bin/chattr -i", {path}) &&
           waitUntil([&] { return writable() != undeletable; }, Millis{3000});
}

DWORD runQuietUninstall(const std::string& target) {
    const std::string command = entryOf(target)["QuietUninstallString"];
    const std::size_t close = command.find('"', 1);
    if (close == std::string::npos) return STILL_ACTIVE;
    Installer quiet("C:\\", command.substr(1, close - 1), command.substr(close + 2));
    return quiet.waitForExit();
}

}  // namespace e2e

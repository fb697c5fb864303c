// An installation that is killed, aborted or fails leaves the machine as it
// was. The test build install-faults.exe ends itself (exit code 86) just
// before or after the k-th change of its journal, as a kill or a power cut
// would; the next start of install.exe undoes what it did.
#include "UninstallSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <cstdio>
#include <regex>
#include <thread>

namespace e2e {
namespace {

constexpr DWORD kKilled = 86;

std::string faultsInstallerPath() {
    const std::string plain = installerPath();
    return plain.substr(0, plain.rfind('\\') + 1) + "install-faults.exe";
}

// Every file's size and checksum under folder, by relative name.
void addBytes(SystemState& state, const std::string& label, const std::string& folder) {
    if (!isDirectory(folder))
        return;
    for (const std::string& name : listTree(folder)) {
        if (name.back() == '\\')
            continue;
        const std::string bytes = contentOf(joinPath(folder, name));
        std::uint64_t sum = 14695981039346656037ull;
        for (unsigned char c : bytes)
            sum = (sum ^ c) * 1099511628211ull;
        state[label + " " + name] = {std::to_string(bytes.size()) + " bytes, " + std::to_string(sum)};
    }
}

// The parts in which two states differ, for a failure message.
std::string differences(const SystemState& expected, const SystemState& actual) {
    std::string text;
    auto shown = [](const SystemState& state, const std::string& key) {
        const auto at = state.find(key);
        std::string out;
        if (at == state.end())
            return std::string("<none>");
        for (const std::string& item : at->second)
            out += " [" + item.substr(0, 200) + "]";
        return out;
    };
    std::vector<std::string> keys;
    for (const auto* state : {&expected, &actual})
        for (const auto& [key, value] : *state)
            keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (const std::string& key : keys)
        if (shown(expected, key) != shown(actual, key))
            text += key + ":\n  was" + shown(expected, key) + "\n  now" + shown(actual, key) + "\n";
    return text;
}

// What an installation may change, byte for byte: the target's tree, the
// Programs folders, [Dictionary], the Uninstall entries with their values,
// the protected record folders with their files.
SystemState machineState(const std::string& target) {
    SystemState state = systemState(target);
    addBytes(state, "target", target);
    addBytes(state, "records", joinPath(specialFolder(CSIDL_PROGRAM_FILES), "Dictionary Uninstall"));
    for (const std::string& entry : uninstallEntries()) {
        const bool machine = entry.rfind("HKLM\\", 0) == 0;
        std::vector<std::string> values;
        for (const auto& [name, value] : keyValues(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                                                   std::string(kUninstallKey) + "\\" + entry.substr(5)))
            values.push_back(name + "=" + value);
        state["entry " + entry] = values;
    }
    return state;
}

// One silent run of the test build, killed at the moment given (none: the
// run goes to its end); its exit code.
DWORD runKilledAt(const std::string& source, const std::string& target, const std::string& moment,
                  const std::string& log) {
    SetEnvironmentVariableA("INSTALL_KILL_AT", moment.empty() ? nullptr : moment.c_str());
    Installer app(source, faultsInstallerPath(), "/VERYSILENT /DIR=\"" + target + "\" /LOG=\"" + log + "\"");
    const DWORD code = app.waitForExit(Millis{120000});
    SetEnvironmentVariableA("INSTALL_KILL_AT", nullptr);
    return code;
}

// The next start of install.exe, in a folder with no setup script: it
// recovers before it looks for one. Its log.
std::string startAgain(Workspace& work) {
    const std::string empty = work.path("empty"), log = work.path("recovery.log");
    makeDirectories(empty);
    DeleteFileA(log.c_str());
    Installer app(empty, installerPath(), "/VERYSILENT /LOG=\"" + log + "\"");
    app.waitForExit(Millis{60000});
    return contentOf(log);
}

// The sample's next version: every file changed, the word lists longer.
std::vector<std::pair<std::string, std::string>> laterFiles() {
    auto files = sampleFiles();
    for (auto& [name, content] : files)
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".wb") == 0)
            content += wordRecord("porta", "door");
        else if (name != "language.cf")
            content += "version two\r\n";
    return files;
}

int changesOf(const std::string& log) {
    std::smatch found;
    return std::regex_search(log, found, std::regex("journal: (\\d+) changes, committed")) ? std::stoi(found[1]) : 0;
}

// A first run to the end counts the run's changes; then, for every k, the
// run killed just before its k-th change (and once just after its last),
// started again, must leave what was there before it, byte for byte.
void killAtEveryChange(Workspace& work, const std::string& source, const std::string& target,
                       const std::function<void()>& undoFullRun, const char* what) {
    const SystemState before = machineState(target);
    const std::string log = work.path("count.log");
    DeleteFileA(log.c_str());  // a log is added to, never replaced
    ASSERT_EQ(runKilledAt(source, target, "", log), 0u) << contentOf(log);
    const int changes = changesOf(contentOf(log));
    ASSERT_GT(changes, 10) << contentOf(log);
    undoFullRun();
    ASSERT_TRUE(machineState(target) == before) << "the full run was not taken back:\n"
                                                << differences(before, machineState(target));

    const auto started = std::chrono::steady_clock::now();
    for (int k = 1; k <= changes + 1; ++k) {
        const std::string moment = k <= changes ? "before " + std::to_string(k) : "after " + std::to_string(changes);
        SCOPED_TRACE(std::string(what) + ", killed " + moment);
        const std::string runLog = work.path("run.log");
        DeleteFileA(runLog.c_str());
        ASSERT_EQ(runKilledAt(source, target, moment, runLog), kKilled) << contentOf(runLog);
        const std::string recovered = startAgain(work);
        EXPECT_NE(recovered.find("did not end. Its changes are now undone."), std::string::npos) << recovered;
        const SystemState after = machineState(target);
        EXPECT_TRUE(after == before) << differences(before, after) << recovered;
        if (after != before)
            return;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("[ journal  ] %s: %d changes, killed at each, recovered in %.1f s\n", what, changes, seconds);
}

}  // namespace

TEST(Recovery, AKillAtAnyChangeIsUndoneAtTheNextStart) {
    Workspace work;
    const std::string target = work.path("target");
    const std::string fresh = work.makeSource(sampleScript("E2E Recovery"), sampleFiles(), "fresh");
    killAtEveryChange(work, fresh, target, [&] { uninstall(target); }, "fresh installation");

    // Over an earlier installation: a later version that overwrites its
    // files, changes a setting and rebuilds the word lists.
    ASSERT_EQ(installSample(fresh, target), 0u);
    const std::string later = work.makeSource(sampleScript("E2E Recovery", "Arial"), laterFiles(), "later");
    const SystemState earlier = machineState(target);
    killAtEveryChange(work, later, target, [&] {
        uninstall(target);
        ASSERT_EQ(installSample(fresh, target), 0u);
    }, "reinstallation");
    ASSERT_TRUE(machineState(target) == earlier) << differences(earlier, machineState(target));
    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 0u) << "the earlier installation still uninstalls cleanly: " << closing;
}

// Abort at the third copy of a reinstallation puts back every file of the
// earlier one, its settings and its entry, and leaves nothing of the new
// run; a fatal error during the word-list build does the same, after its
// box; and the uninstaller undoes a killed reinstallation before it removes.
TEST(Recovery, AbortAndAFatalErrorDuringAReinstallationPutTheEarlierOneBack) {
    Workspace work;
    const std::string target = work.path("target");
    const std::string fresh = work.makeSource(sampleScript("E2E Recovery Abort"), sampleFiles(), "fresh");
    const SystemState original = machineState(target);
    ASSERT_EQ(installSample(fresh, target), 0u);
    const SystemState earlier = machineState(target);

    auto files = laterFiles();
    const std::string later =
        work.makeSource("copy readme.txt readme.txt\ncopy new.txt new.txt\ncopy blocked.txt blocked.txt\n" +
                            sampleScript("E2E Recovery Abort", "Arial"),
                        files, "later");
    writeFile(joinPath(later, "new.txt"), "new\r\n");
    writeFile(joinPath(later, "blocked.txt"), "blocked\r\n");
    makeDirectories(joinPath(target, "blocked.txt"));  // the third copy fails
    Installer app(later);
    ASSERT_TRUE(startInto(app, target));
    auto box = app.waitForMessageBox("Error", Millis{30000});
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find("blocked.txt"), std::string::npos) << box->text;
    ASSERT_TRUE(app.answer(*box, IDABORT));
    EXPECT_EQ(app.waitForExit(), 1u);
    RemoveDirectoryA(joinPath(target, "blocked.txt").c_str());
    EXPECT_TRUE(machineState(target) == earlier) << differences(earlier, machineState(target));

    // A FROM wordlist is missing: the build ends with its box.
    for (auto& [name, content] : files)
        if (name == "language.cf")
            content = "en,it,1,English\r\nmissing.wb\r\nengrev.wb\r\n";
    const std::string broken = work.makeSource(
        std::regex_replace(sampleScript("E2E Recovery Abort", "Arial"), std::regex("display [^\n]*\n"), ""), files,
        "broken");
    Installer failing(broken);
    ASSERT_TRUE(startInto(failing, target));
    auto error = failing.waitForMessageBox("Error", Millis{30000});
    ASSERT_TRUE(error) << failing.describeWindows();
    EXPECT_EQ(error->text, "Input file \"language\\missing.wb\" missing");
    ASSERT_TRUE(failing.answer(*error));
    EXPECT_EQ(failing.waitForExit(), 1u);
    EXPECT_TRUE(machineState(target) == earlier) << differences(earlier, machineState(target));

    // A reinstallation killed midway, then the entry's quiet uninstall: the
    // uninstaller undoes the killed run first, then removes the earlier one.
    const std::string log = work.path("killed.log");
    ASSERT_EQ(runKilledAt(later, target, "before 12", log), kKilled) << contentOf(log);
    Installer quietly("C:\\Windows", uninstallerOf(target), "/S /LOG=\"" + work.path("uninstall.log") + "\"");
    EXPECT_EQ(quietly.waitForExit(Millis{60000}), 0u) << contentOf(work.path("uninstall.log"));
    EXPECT_NE(contentOf(work.path("uninstall.log")).find("did not end. Its changes are undone first."),
              std::string::npos);
    // The copy that did the work removes the program and its record once
    // the program that started it has ended.
    waitUntil([&] { return machineState(target) == original; });
    EXPECT_TRUE(machineState(target) == original) << differences(original, machineState(target));
}

// A run of 1,000,000 records ended from outside (TerminateProcess, as Task
// Manager or a deployment system's time-out ends it) at five moments of
// its course: each is undone at the next start.
TEST(Recovery, AKillFromOutsideDuringALargeBuildIsUndone) {
    Workspace work;
    const std::string target = work.path("target");
    std::string from;
    from.reserve(84u * 1000000u);
    auto letters = [](unsigned n) {
        std::string text;
        do {
            text += static_cast<char>('a' + n % 26);
            n /= 26;
        } while (n);
        return text;
    };
    for (unsigned i = 0; i < 1000000; ++i)
        from += wordRecord(("p" + letters(i)).c_str(), ("t" + letters(i)).c_str());
    const std::string source =
        work.makeSource("title Sample Italian Dictionary\nmkdir language\ncopy big.wb language\\big.wb\ncopy language.cf language.cf\nmkwlist\n",
                        {{"language.cf", "it,en,1,Italiano\r\nbig.wb\r\nbigrev.wb\r\n"}, {"big.wb", from}}, "large");
    from.clear();
    const SystemState before = machineState(target);
    const std::string arguments = "/VERYSILENT /DIR=\"" + target + "\"";

    // The run's length, the faster of two: the moments lie well before its end.
    std::chrono::steady_clock::duration full = std::chrono::hours(1);
    for (int run = 0; run < 2; ++run) {
        const auto started = std::chrono::steady_clock::now();
        {
            Installer whole(source, installerPath(), arguments);
            ASSERT_EQ(whole.waitForExit(Millis{600000}), 0u);
        }
        full = std::min(full, std::chrono::steady_clock::now() - started);
        uninstall(target);
        ASSERT_TRUE(machineState(target) == before) << differences(before, machineState(target));
    }

    for (int tenths : {1, 3, 4, 5, 7}) {
        SCOPED_TRACE("killed at " + std::to_string(tenths) + "/10 of the run");
        // A run that has ended before its moment (runs differ in length)
        // is taken back and tried with half the wait.
        DWORD code = 0;
        auto wait = full * tenths / 10;
        for (int attempt = 0; attempt < 4 && code != 99; ++attempt, wait /= 2) {
            if (attempt > 0)
                uninstall(target);
            Installer app(source, installerPath(), arguments);
            std::this_thread::sleep_for(wait);
            code = waitForProcess(app.processId(), true);
        }
        EXPECT_EQ(code, 99u) << "every run had ended before it was killed";
        startAgain(work);
        const SystemState after = machineState(target);
        ASSERT_TRUE(after == before) << differences(before, after);
    }
    std::printf("[ journal  ] 1,000,000 records: the whole run %.1f s, killed at five moments, each undone\n",
                std::chrono::duration<double>(full).count());
}

}  // namespace e2e

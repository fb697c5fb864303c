// The uninstall side's shared steps: the sample installed, the system's
// state that an uninstallation must put back, the Apps & Features entry
// read back, and uninstall.exe run as Apps & Features runs it.
#pragma once

#include "Harness.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The sample's setup script, with a group of the test's own, and its files.
std::string sampleScript(const std::string& group, const std::string& fontSetting = "Times New Roman");
std::vector<std::pair<std::string, std::string>> sampleFiles();
std::string specialFolder(int which);

// The registry values of one key, numbers in decimal.
std::map<std::string, std::string> keyValues(HKEY root, const std::string& path);
// This project's entries under the Uninstall keys, "HKCU\name" or "HKLM\name".
std::vector<std::string> uninstallEntries();
// The values of the entry whose InstallLocation is target.
std::map<std::string, std::string> entryOf(const std::string& target);

// What an installation may change, and an uninstallation must put back.
using SystemState = std::map<std::string, std::vector<std::string>>;
SystemState systemState(const std::string& target);

// Installs with the program started in folder (install.exe in the source,
// by default), answering each language's closing message.
DWORD installSample(const std::string& folder, const std::string& target, const std::string& program = installerPath());

// A message box and the id of the process that shows it.
using Box = std::pair<MessageBoxInfo, DWORD>;
// A visible "Uninstall" box of any process (the removal runs in a copy of
// the uninstaller that the test did not start), with that process's id.
std::optional<Box> waitForUninstallBox(Millis timeout = kWait);
bool answerBox(HWND box, int buttonId);
DWORD waitForProcess(DWORD pid, bool terminate = false);

// The program the target's entry names in its UninstallString.
std::string uninstallerOf(const std::string& target);
// Starts that program as Apps & Features does (working folder C:\Windows)
// and answers Yes; returns the first box of the copy that does the removal,
// still open. The process started is kept in first: it ends when the
// removal has, with its exit code.
std::optional<Box> startUninstall(const std::string& target, std::unique_ptr<Installer>& first);
// A whole uninstallation: Yes, then the closing box; its text and the exit
// code of the process started (which must equal the removing copy's).
std::pair<std::string, DWORD> uninstall(const std::string& target);
// The uninstaller's copies in the temporary folder (uninstall-*) and what
// they hold, by relative name.
std::vector<std::string> uninstallCopies();
// Each copy made since `before` was taken is gone, or waits for the next
// restart; copies that earlier tests left are not this test's to judge.
void expectNoCopyLeftUnscheduled(const std::vector<std::string>& before);
// Wine's restart (wineboot -r): what was scheduled for it is carried out.
void restartWindows();
// A symbolic link at link to the folder or file to, made with /bin/ln as a
// user of the machine makes it; false when none can be made here.
bool makeLink(const std::string& link, const std::string& to);
// Removes the link itself (the work folder's removal would go through it).
void removeLink(const std::string& link);
// A file no one can delete (the Unix immutable attribute), or deletable
// again; false when that cannot be done here.
bool setUndeletable(const std::string& path, bool undeletable);
// Runs the target's QuietUninstallString as a deployment system does and
// returns its exit code.
DWORD runQuietUninstall(const std::string& target);

}  // namespace e2e

// How an installer run ends besides its steps: what the command line asked
// of the later steps, a downgrade refused, and the files that the next
// restart of Windows puts in place. One instance, runEnd, lives for the run.
#pragma once

#include <string>
#include <vector>

// Exit codes that deployment systems know by these numbers.
constexpr int kExitRestartNeeded = 3010;  // installed; a restart completes it
constexpr int kExitNewerInstalled = 1638;  // a newer version is installed: nothing changed

struct RunEnd {
    bool allowDowngrade = false;     // /ALLOWDOWNGRADE
    bool closeApplications = false;  // /CLOSEAPPLICATIONS
    bool downgradeRefused = false;
    std::vector<std::string> atRestart;  // installed files whose new bytes wait for the restart
};

extern RunEnd runEnd;

// The exit code of a run that got to its end: a downgrade refused; steps
// that did not complete (2), which a pending restart does not hide; a
// restart that completes the installation; else 0.
int installExitCode(int failedStepCount);

// What the closing box, or the log, says of the files a restart completes.
// Meant for runEnd.atRestart not empty.
std::string restartMessage();

// The refusal of an older version over a newer one.
std::string newerInstalledMessage(const std::string& installed, const std::string& title, const std::string& folder,
                                  const std::string& ours);

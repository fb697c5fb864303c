#include "run/RunEnd.h"

RunEnd runEnd;

int installExitCode(int failedStepCount) {
    if (runEnd.downgradeRefused)
        return kExitNewerInstalled;
    if (failedStepCount > 0)
        return 2;
    return runEnd.atRestart.empty() ? 0 : kExitRestartNeeded;
}

std::string restartMessage() {
    std::string text = runEnd.atRestart.size() == 1 ? "A file was in use by another program; its new version "
                                                      "replaces it when Windows restarts:"
                                                    : "Files were in use by other programs; their new versions "
                                                      "replace them when Windows restarts:";
    for (const std::string& file : runEnd.atRestart)
        text += "\n" + file;
    return text + "\n\nRestart Windows to complete the installation.";
}

std::string newerInstalledMessage(const std::string& installed, const std::string& title, const std::string& folder,
                                  const std::string& ours) {
    return "A newer version (" + installed + ") of " + title + " is installed in " + folder + ".\n\nThis setup "
           "installs version " + ours + ". Choose another folder, or start the setup with /ALLOWDOWNGRADE to "
           "replace the newer version.";
}

// The uninstaller's command line.
#pragma once

#include <string>
#include <vector>

struct UninstallOptions {
    bool silent = false;  // /S or /SILENT: no question, no box
    bool closeApplications = false;  // /CLOSEAPPLICATIONS: silently, programs holding files are asked to close
    bool log = false;
    std::string logPath;
    // "/continue HANDLES FOLDER [options]": the copy that does the removal.
    bool isContinuation = false;
    std::string handles;
    std::string folder;
    std::string error;
};

UninstallOptions parseUninstallOptions(const std::vector<std::string>& arguments);


// The installer's command line.
#pragma once

#include <string>
#include <vector>

struct InstallOptions {
    bool silent = false;      // /SILENT: progress shown, no box, no Start click
    bool verySilent = false;  // /VERYSILENT: no window at all
    bool help = false;        // /? or /HELP
    bool hasDir = false;      // /DIR="path": the target, instead of the script's dir
    std::string dir;
    bool log = false;         // /LOG or /LOG="file"
    std::string logPath;      // empty: the default log in %TEMP%
    bool allowDowngrade = false;     // /ALLOWDOWNGRADE: an older version may replace a newer one
    bool closeApplications = false;  // /CLOSEAPPLICATIONS: silently, programs holding files are asked to close
    std::string error;        // the option at fault and why; empty when all were understood

    bool quiet() const { return silent || verySilent; }
};

// The installer's options. /SUPPRESSMSGBOXES and /NORESTART are accepted
// and change nothing (the silent modes show no box, and the installer never
// restarts). An unknown option, a value where none belongs, a missing or
// empty value, or an option given twice fills error; the rest is still
// read, so that a silent run can log the error.
InstallOptions parseInstallOptions(const std::vector<std::string>& arguments);

// The text of the installer's help box.
std::string installOptionsHelp();

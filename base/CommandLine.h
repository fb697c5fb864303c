// The command lines of install.exe and uninstall.exe, as deployment systems
// and administrators type them: options start with "/" or "-", their names
// are compared without case, a value follows "=" ("/DIR=C:\x" or
// /DIR="C:\Program Files\x"). Without options, both programs behave as
// they always did.
#pragma once

#include <string>
#include <vector>

// The arguments of a command line, split as Windows programs split them
// (spaces outside quotes separate; a quote toggles quoting; backslashes
// are literal unless they precede a quote: 2n+1 of them give n and a
// literal quote). The program's name is not part of the text given.
std::vector<std::string> splitCommandLine(const std::string& text);

struct InstallOptions {
    bool silent = false;      // /SILENT: progress shown, no box, no Start click
    bool verySilent = false;  // /VERYSILENT: no window at all
    bool help = false;        // /? or /HELP
    bool hasDir = false;      // /DIR="path": the target, instead of the script's dir
    std::string dir;
    bool log = false;         // /LOG or /LOG="file"
    std::string logPath;      // empty: the default log in %TEMP%
    std::string error;        // the option at fault and why; empty when all were understood

    bool quiet() const { return silent || verySilent; }
};

// The installer's options. /SUPPRESSMSGBOXES and /NORESTART are accepted
// and change nothing (the silent modes show no box, and the installer never
// restarts). An unknown option, a value where none belongs, a missing or
// empty value, or an option given twice fills error; the rest is still
// read, so that a silent run can log the error.
InstallOptions parseInstallOptions(const std::vector<std::string>& arguments);

struct UninstallOptions {
    bool silent = false;  // /S or /SILENT: no question, no box
    bool log = false;
    std::string logPath;
    // "/continue HANDLES FOLDER [options]": the copy that does the removal.
    bool isContinuation = false;
    std::string handles;
    std::string folder;
    std::string error;
};

UninstallOptions parseUninstallOptions(const std::vector<std::string>& arguments);

// This process's command line after the program's name, as UTF-8
// (defined for Windows).
std::string commandLineArguments();

// The text of the installer's help box.
std::string installOptionsHelp();

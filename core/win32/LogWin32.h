// The log file of install.exe and uninstall.exe.
#pragma once

#include <string>

// Opens the log (appending) at path, or, when path is empty, at
// %TEMP%\defaultName, and sends logLine there; false when it cannot be
// opened (the run goes on without a log).
bool openLogFile(const std::string& path, const char* defaultName);

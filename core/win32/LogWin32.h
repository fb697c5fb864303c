// The log file of install.exe and uninstall.exe.
#pragma once

#include <string>

// Opens the log (appending) at path, or, when path is empty, defaultName in
// the temporary folder; elevated, in a folder only administrators can
// change (SYSTEM's own temporary folder, else <ProgramData>\Dictionary
// Setup Logs). An existing file that is a link, has a second name or
// belongs to another account is not written. False when no log is opened:
// the run goes on without one.
bool openLogFile(const std::string& path, const char* defaultName);

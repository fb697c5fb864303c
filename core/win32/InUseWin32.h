// Files that other programs hold open, for the installer and the
// uninstaller: which programs hold them (the Restart Manager), asking those
// programs to close, and what Windows does at its next restart in place of
// what cannot be done now.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Whether an open, copy or delete failed because another program holds the file.
bool isInUseError(DWORD error);

// Whether another program holds the file so that it can be neither
// written nor deleted now (opened without sharing writes or deletion).
bool fileHeld(const std::string& path);

// The names of the running programs that the Restart Manager says hold any
// of the files; empty when it names none or cannot be asked.
std::vector<std::string> programsHolding(const std::vector<std::string>& files);

// Asks the programs that hold any of the files to close, as a shutdown of
// Windows would; they are not restarted. False when the Restart Manager
// could not ask them all.
bool closeProgramsHolding(const std::vector<std::string>& files);

// Copies source beside destination under a fresh temporary name (in
// temporary) and schedules it to replace destination at the next restart.
// False, with the temporary removed, when either cannot be done. Each name
// is handed to announce before the copy is made under it.
bool replaceAtRestart(const std::string& source, const std::string& destination, std::string& temporary,
                      const std::function<void(const std::string&)>& announce);

// Schedules from to replace to at the next restart (to empty: from is
// removed then; a folder only when it is empty by then).
bool moveAtRestart(const std::string& from, const std::string& to);

// The Windows half of the setup script: its execution pass and the program
// shortcut made at the end of the installation.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Carries out the installation keywords of install.inf line by line;
// showStepText shows each copy's destination as the copy begins.
void runSetupScript(void (*showStepText)(const char* text));

// The destinations of the copies the execution pass will make, as it will
// form them: those of every copy, xcopy and sndcopy line whose source is
// there and whose destination stays in the target, each once.
std::vector<std::string> plannedCopies();

// Creates the program group folder under the Programs folder and the
// shortcut iconName.lnk in it; false when the shortcut was not saved.
bool addProgramShortcut();

// A shell link to target with the working directory and arguments, saved
// as linkPath. Returns the result of the last operation performed.
HRESULT createProgramShortcut(const char* target, const char* linkPath, const char* workingDir,
                              const char* arguments);

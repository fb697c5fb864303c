// The Windows half of the setup script: its execution pass and the program
// shortcut made at the end of the installation.
#pragma once

#include <windows.h>

// Carries out the installation keywords of install.inf line by line;
// showStepText shows each copy's destination as the copy begins.
void runSetupScript(void (*showStepText)(const char* text));

// Creates the program group folder under the Programs folder and the
// shortcut iconName.lnk in it; false when the shortcut was not saved.
bool addProgramShortcut();

// A shell link to target with the working directory and arguments, saved
// as linkPath. Returns the result of the last operation performed.
HRESULT createProgramShortcut(const char* target, const char* linkPath, const char* workingDir,
                              const char* arguments);

// The Windows half of the setup script: its execution pass and the program
// shortcut made at the end of the installation.
#pragma once

#include <windows.h>

// Carries out the installation keywords of install.inf line by line.
void runSetupScript();

// Shows the step's text (a copy's destination) in the main window's edit
// box and brings the window up to date; defined by the program's top.
void showStepText(const char* text);

// Creates the program group folder under the Programs folder and the
// shortcut iconName.lnk in it; false when the shortcut was not saved.
bool addProgramShortcut();

// A shell link to target with the working directory and arguments, saved
// as linkPath. Returns the result of the last operation performed.
HRESULT createProgramShortcut(const char* target, const char* linkPath, const char* workingDir,
                              const char* arguments);

// Message boxes of the installer. Declared here, defined once for Windows
// (base/MessageBoxesWin32.cpp) and once for the host tests.
#pragma once

// Shows an "Error" box with the message, owned by the main window when it
// exists, then ends the process with exit code 1.
[[noreturn]] void fatalError(const char* message);

// The closing message of a language build: caption "Install", an OK button,
// no icon, owned by the main window. Returns when the user has closed it.
void showClosingMessage(const char* text);

// The warning shown when the collation cannot be selected: caption
// "Install", warning icon, no owner window.
void showCollationWarning(const char* text);

// Message boxes of the installer. Declared here, defined once for Windows
// (run/MessageBoxesWin32.cpp) and once for the host tests.
#pragma once

struct HWND__;

// In the silent modes no box is shown: what it would have said goes to the
// log, and a question takes the answer that lets the run go on.
void setQuietRun(bool quiet);
bool quietRun();

// The window that owns the installer's boxes (the main window once it
// exists; none before).
void setMessageOwner(HWND__* window);
HWND__* messageOwner();

// The "Error" box of a run that ended early, owned by the main window when
// it exists, with the arrow cursor; nothing in the silent modes.
void showErrorBox(const char* message);

// The closing message of a language build: caption "Install", an OK button,
// no icon, owned by the main window. Returns when the user has closed it.
void showClosingMessage(const char* text);

// The warning shown when the collation cannot be selected: caption
// "Install", warning icon, no owner window.
void showCollationWarning(const char* text);

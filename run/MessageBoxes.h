// Message boxes of the installer. Declared here, defined once for Windows
// (base/MessageBoxesWin32.cpp) and once for the host tests.
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

// Shows an "Error" box with the message, owned by the main window when it
// exists, then ends the run as endRunEarly does.
[[noreturn]] void fatalError(const char* message);

// What must be done before a run that Start began ends early (the install
// record of what was done, so that it can be taken back): set once the
// installation has begun.
void setEarlyEndStep(void (*step)());

// What must be done at every end of the run (the unpacked setup folder
// removed): run by endRunEarly and fatalError, and by the program at its
// normal end.
void setExitCleanup(void (*cleanup)());

// Ends the run with exit code 1 (a fatal error, Abort in a copy's box),
// after the early-end step, which runs once.
[[noreturn]] void endRunEarly();

// The closing message of a language build: caption "Install", an OK button,
// no icon, owned by the main window. Returns when the user has closed it.
void showClosingMessage(const char* text);

// The warning shown when the collation cannot be selected: caption
// "Install", warning icon, no owner window.
void showCollationWarning(const char* text);

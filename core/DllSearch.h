// Both programs run with an administrator's rights, often started from a
// download folder that anyone may have put a DLL into.
#pragma once

// Loads DLLs only from the system folder from here on (the program's own
// folder and the current directory are no longer searched). Called first
// thing at start. Where the system lacks SetDefaultDllDirectories (Vista
// and Windows 7 without its update), the current directory at least is
// taken out of the search.
void restrictDllSearchToSystem();

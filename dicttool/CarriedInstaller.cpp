// The install.exe that dicttool bundles when no --installer is given, put
// into the program as it is built: CARRIED_INSTALLER names the file (an
// empty one when the build had no installer to carry; see dicttool.cmake).
#include "dicttool/Bundle.h"

// Read-only data; afterwards the assembler is put back where the compiler
// left it (COFF knows no .previous: this file's code is all in .text).
#ifdef _WIN32
#define CARRIED_SECTION ".section .rdata,\"dr\"\n"
#define CARRIED_BACK ".text\n"
#else
#define CARRIED_SECTION ".section .rodata\n"
#define CARRIED_BACK ".previous\n"
#endif

asm(CARRIED_SECTION
    ".balign 16\n"
    "dicttool_carried_installer:\n"
    ".incbin \"" CARRIED_INSTALLER "\"\n"
    "dicttool_carried_installer_end:\n"
    CARRIED_BACK);

extern "C" const char carriedStart[] asm("dicttool_carried_installer");
extern "C" const char carriedEnd[] asm("dicttool_carried_installer_end");

std::string carriedInstaller() {
    return std::string(carriedStart, static_cast<std::size_t>(carriedEnd - carriedStart));
}

// The system's ANSI code page on a POSIX host: Windows-1252, the one the
// installer's own files are written in. Alone in its file, so that a test
// program may name another.
#include "core/CodePage.h"

unsigned systemAnsiCodePage() {
    return 1252;
}

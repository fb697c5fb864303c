// The choice of the collation locale on a POSIX host, where none exists:
// only the folding comparison, asked for by a null name, can be chosen.
// Alone in its file, so that a test program may define the choice itself.
#include "core/Collation.h"

bool selectCollation(const char* localeName) {
    return localeName == nullptr;
}

bool collationSelected() {
    return false;
}

// The core's platform seams on hosts other than Windows: no locale gives
// the system's Italian comparison there, so the collation is the folding
// comparison (letters A to Z folded, bytes compared unsigned); files are
// replaced by rename, and no file operation is made to fail; names are
// compared by foldedName.
#include <cstdio>
#include <string>

#include "base/Collation.h"
#include "base/FileLayer.h"
#include "base/PathText.h"

bool selectCollation(const char* localeName) {
    return localeName == nullptr;
}

bool collationSelected() {
    return false;
}

int collateCompare(const char* a, const char* b) {
    return foldCompare(a, b);
}

std::string collateSortKey(const char* text) {
    return foldedKey(text);
}

bool fileFault(FileOp) {
    return false;
}

bool systemReplaceFile(const char* source, const char* target) {
    return std::rename(source, target) == 0;
}

bool pathEquals(const std::string& a, const std::string& b) {
    return foldedName(a) == foldedName(b);
}

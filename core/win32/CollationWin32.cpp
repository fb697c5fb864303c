// The collation on Windows: the C library selects the locale by name, and
// the system's locale string comparison compares under it.
#include <windows.h>

#include <clocale>
#include <string>

#include "core/Collation.h"

namespace {

// Case ignored; punctuation, hyphens and apostrophes sort as symbols.
constexpr DWORD kCompareFlags = NORM_IGNORECASE | SORT_STRINGSORT;

constexpr LCID kItalian = MAKELCID(MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN), SORT_DEFAULT);  // 0x0410

// The locale selected by name for the sorts; 0 while none is selected.
LCID collationLocale = 0;

}  // namespace

bool selectCollation(const char* localeName) {
    if (!localeName) {
        collationLocale = 0;
        return true;
    }
    if (!std::setlocale(LC_COLLATE, localeName))
        return false;
    collationLocale = foldEquals(localeName, "italian") ? kItalian : LOCALE_USER_DEFAULT;
    return true;
}

bool collationSelected() {
    return collationLocale != 0;
}

int collateCompare(const char* a, const char* b) {
    if (collationLocale == 0)
        return foldCompare(a, b);
    switch (CompareStringA(collationLocale, kCompareFlags, a, -1, b, -1)) {
    case CSTR_LESS_THAN:
        return -1;
    case CSTR_EQUAL:
        return 0;
    case CSTR_GREATER_THAN:
        return 1;
    default:  // the comparison failed: the first string counts as greater
        return 1;
    }
}

// The system's sort key for the same flags, whose byte order is the order
// of CompareStringA. Its terminating zero byte is left off: no other byte of
// a key is zero, so the order stays the same. A word's key almost always
// fits the buffer, so it takes one system call; only a longer one is
// measured first.
std::string collateSortKey(const char* text) {
    const LCID locale = collationLocale;
    if (locale == 0)
        return foldedKey(text);
    const DWORD flags = LCMAP_SORTKEY | kCompareFlags;
    char buffer[256];
    std::string key;
    int written = LCMapStringA(locale, flags, text, -1, buffer, sizeof buffer);
    if (written > 0) {
        key.assign(buffer, static_cast<std::size_t>(written));
    } else {
        const int size = LCMapStringA(locale, flags, text, -1, nullptr, 0);
        if (size <= 0)
            return foldedKey(text);
        key.assign(static_cast<std::size_t>(size), '\0');
        written = LCMapStringA(locale, flags, text, -1, &key[0], size);
        if (written <= 0)
            return foldedKey(text);
        key.resize(static_cast<std::size_t>(written));
    }
    if (!key.empty() && key.back() == '\0')
        key.pop_back();
    return key;
}

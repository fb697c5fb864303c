// The case-insensitive collated comparison shared by the word-list sort and
// the sort of the settings file's language section.
//
// selectCollation and collateCompare are defined for Windows in
// core/win32/CollationWin32.cpp (the C library's locale selection and the
// system's locale string comparison) and for other hosts in core/posix/
// with the folding comparison below.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Selects the collation locale by its C-library name (the language list
// uses "italian"). Returns false, changing nothing, when the name is unknown.
bool selectCollation(const char* localeName);
// Whether a collation is selected; selectCollation(nullptr) forgets it, and
// the folding comparison is used again.
bool collationSelected();

// Negative, zero or positive as a sorts before, equal to or after b, case
// ignored, under the selected collation; while none is selected, foldCompare.
int collateCompare(const char* a, const char* b);

// A key whose byte order (memcmp, shorter prefix first) is collateCompare's
// order, for sorting many strings with one conversion each.
std::string collateSortKey(const char* text);

// Byte comparison, bytes unsigned, after folding only the letters A to Z.
int foldCompare(const char* a, const char* b);

// The text with the letters A to Z folded to lower case: a key whose byte
// order is foldCompare's.
std::string foldedKey(const char* text);

// Equality ignoring the case of the letters A to Z only.
bool foldEquals(const char* a, const char* b);

// Whether the list holds the item, letters A to Z folded.
bool foldedIn(const std::vector<std::string>& list, const std::string& item);

// The first n bytes of a equal those of b, letters A to Z folded (strnicmp
// in the C locale); false when either is shorter than n.
bool foldPrefixEquals(const char* a, const char* b, std::size_t n);

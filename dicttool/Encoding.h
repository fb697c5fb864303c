// Windows-1252, the code page of install.inf, language.cf and the
// word-list records, next to UTF-8, the text of terminals and of JSON; and
// the other readings of text that the tool shares with Windows.
#pragma once

#include <cstddef>
#include <string>

// The text in UTF-8. The five bytes Windows-1252 leaves undefined become
// the control characters of the same number, as Windows converts them.
std::string utf8FromAnsi(const std::string& ansi);

// The UTF-8 text in Windows-1252; false when it is not UTF-8 or holds a
// character without a Windows-1252 form, badAt then tells the byte offset.
bool ansiFromUtf8(const std::string& utf8, std::string& ansi, std::size_t& badAt);

// The bytes as a C library in text mode on Windows reads them: CR LF
// becomes LF, and a Ctrl-Z ends the text.
std::string windowsTextMode(const std::string& bytes);

// A file name with case folded as Windows compares names: the letters of
// Windows-1252 that have an upper and a lower case.
std::string foldName(const std::string& ansi);

// Code pages: the 8-bit text files the installer reads (install.inf,
// language.cf, the display file) are decoded into UTF-8 where they are read,
// and the two files that the 8-bit dictionary program reads (kelmo.ini and
// the win.ini keys) are written in the system's ANSI code page.
//
// The conversions of other code pages than UTF-8 are the system's: the seam
// below is defined with MultiByteToWideChar and WideCharToMultiByte for
// Windows (core/win32/CodePageWin32.cpp) and with the C library's iconv on
// other hosts (core/posix/CodePagePosix.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/Utf8Text.h"

// The system's ANSI code page, whatever its number.
constexpr unsigned kAnsiCodePage = 0;
constexpr unsigned kUtf8CodePage = 65001;

// --- code page seam ---
// The number of the system's ANSI code page.
unsigned systemAnsiCodePage();

// Whether the system converts the code page and it is one of single or
// double bytes (so no UTF-16, UTF-7 or stateful code page).
bool codePageKnown(unsigned codePage);

// The bytes of an 8-bit code page (never UTF-8) as UTF-8. A byte that
// begins no character of the code page becomes U+FFFD, and its offset is
// appended to invalid.
std::string decodeFromCodePage(const std::string& bytes, unsigned codePage, std::vector<std::size_t>& invalid);

// UTF-8 text in an 8-bit code page (never UTF-8), with no best-fit
// replacement. False when a character has no form in it; unwritableAt then
// tells the offset of the first such character in utf8.
bool encodeToCodePage(const std::string& utf8, unsigned codePage, std::string& bytes, std::size_t& unwritableAt);

// --- portable ---
// The number a code page stands for: kAnsiCodePage is the system's.
unsigned codePageNumber(unsigned codePage);

// The bytes in the code page as UTF-8; UTF-8 itself is checked here, the
// same on every system. Offsets of invalid bytes go to invalid when given.
std::string decodeText(const std::string& bytes, unsigned codePage, std::vector<std::size_t>* invalid = nullptr);

// The UTF-8 text in the system's ANSI code page, for a file the 8-bit
// dictionary program reads. False when the code page cannot write one of
// its characters; unwritable then holds the first such character.
bool toAnsi(const std::string& utf8, std::string& ansi, std::string& unwritable);

// The first character of the path that the system's ANSI code page cannot
// represent (the dictionary program opens its folder through it); "" when
// it represents them all.
std::string targetNameProblem(const std::string& utf8Path);

// --- Windows-1252 as Windows converts it, for the hosts ---
// Every byte is a character: the five that the code page leaves undefined
// are the control characters of the same number.
std::string windows1252ToUtf8(const std::string& bytes);
bool utf8ToWindows1252(const std::string& utf8, std::string& bytes, std::size_t& unwritableAt);

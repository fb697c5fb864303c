// Text is UTF-8 inside the programs and UTF-16 only at the Win32 call: the
// one pair of conversions between them.
#pragma once

#include <string>

// UTF-8 to UTF-16 for a wide Win32 call; invalid bytes become U+FFFD.
std::wstring toWide(const std::string& utf8);

// UTF-16 from a wide Win32 call to UTF-8; an unpaired surrogate becomes
// U+FFFD.
std::string toUtf8(const std::wstring& wide);
std::string toUtf8(const wchar_t* wide);

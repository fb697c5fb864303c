// UTF-8, the text of the programs inside: its characters one by one, its
// length as Windows counts it.
#pragma once

#include <cstddef>
#include <string>

// The character at text[at]: its code point and length in bytes. False,
// with a length of 1, for a byte that begins no well-formed sequence (a
// stray continuation byte, a cut or overlong sequence, a surrogate, a code
// point beyond U+10FFFF).
bool utf8Character(const std::string& text, std::size_t at, char32_t& c, std::size_t& length);

void appendUtf8(std::string& out, char32_t c);

// The offset of the first byte that is not part of a well-formed character;
// npos when the text is UTF-8.
std::size_t firstInvalidUtf8(const std::string& text);

// The length of the text in UTF-16 units, as Windows counts a path; a byte
// that is not UTF-8 counts as one.
std::size_t utf16Length(const std::string& text);


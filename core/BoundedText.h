// Text in fixed-size, zero-terminated buffers: copies that always fit.
#pragma once

#include <cstddef>

// Copies src into dst of the given capacity, truncating so that the
// terminator always fits and no UTF-8 character is cut. Returns false when
// src had to be truncated.
bool copyText(char* dst, std::size_t capacity, const char* src);

template <std::size_t N>
bool copyText(char (&dst)[N], const char* src) {
    return copyText(dst, N, src);
}

// Appends src to the text in dst, truncating at the capacity. Returns false
// when something had to be cut.
bool appendText(char* dst, std::size_t capacity, const char* src);

template <std::size_t N>
bool appendText(char (&dst)[N], const char* src) {
    return appendText(dst, N, src);
}

#include "core/BoundedText.h"

#include <cstring>

bool copyText(char* dst, std::size_t capacity, const char* src) {
    if (capacity == 0)
        return false;
    std::size_t len = std::strlen(src);
    bool fits = len < capacity;
    if (!fits) {
        len = capacity - 1;
        // A character of UTF-8 (at most four bytes) is never cut: the copy
        // ends before it.
        for (int back = 0; back < 3 && len > 0 && (static_cast<unsigned char>(src[len]) & 0xC0) == 0x80; ++back)
            --len;
    }
    std::memcpy(dst, src, len);
    dst[len] = '\0';
    return fits;
}

bool appendText(char* dst, std::size_t capacity, const char* src) {
    std::size_t used = strnlen(dst, capacity);
    if (used >= capacity)
        return false;
    return copyText(dst + used, capacity - used, src);
}

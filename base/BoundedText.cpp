#include "base/BoundedText.h"

#include <cstring>

bool copyText(char* dst, std::size_t capacity, const char* src) {
    if (capacity == 0)
        return false;
    std::size_t len = std::strlen(src);
    bool fits = len < capacity;
    if (!fits)
        len = capacity - 1;
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

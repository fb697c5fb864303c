#include "core/Utf8Text.h"

bool utf8Character(const std::string& text, std::size_t at, char32_t& c, std::size_t& length) {
    length = 1;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || at + static_cast<std::size_t>(extra) >= text.size())
        return false;
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80)
            return false;
        code = (code << 6) | (byte(at + k) & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return false;
    c = code;
    length = static_cast<std::size_t>(extra) + 1;
    return true;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::size_t firstInvalidUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        if (!utf8Character(text, at, c, length))
            return at;
        at += length;
    }
    return std::string::npos;
}

std::size_t utf16Length(const std::string& text) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        units += utf8Character(text, at, c, length) && c >= 0x10000 ? 2 : 1;
        at += length;
    }
    return units;
}

#include "dicttool/Encoding.h"

#include <cstdint>

namespace {

// Unicode of the bytes 0x80 to 0x9F; the undefined ones map to themselves.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t unicodeOf(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

// The byte of a character, or -1 when Windows-1252 has none.
int byteOf(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == c)
            return 0x80 + i;
    return -1;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[at]; false when it is malformed.
bool decodeUtf8(const std::string& text, std::size_t& at, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || at + static_cast<std::size_t>(extra) >= text.size())
        return false;
    c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (byte(at + k) & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    at += static_cast<std::size_t>(extra) + 1;
    return true;
}

}  // namespace

std::string utf8FromAnsi(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char byte : ansi)
        appendUtf8(out, unicodeOf(static_cast<unsigned char>(byte)));
    return out;
}

bool ansiFromUtf8(const std::string& utf8, std::string& ansi, std::size_t& badAt) {
    ansi.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        char32_t c = 0;
        const int byte = decodeUtf8(utf8, at, c) ? byteOf(c) : -1;
        if (byte < 0) {
            badAt = start;
            return false;
        }
        ansi += static_cast<char>(byte);
    }
    return true;
}

std::string windowsTextMode(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        text += bytes[i];
    }
    return text;
}

std::string foldName(const std::string& ansi) {
    std::string folded(ansi);
    for (char& ch : folded) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            ch = static_cast<char>(c - 0x20);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)  // š œ ž
            ch = static_cast<char>(c - 0x10);
        else if (c == 0xFF)  // ÿ
            ch = static_cast<char>(0x9F);
    }
    return folded;
}

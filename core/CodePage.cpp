#include "core/CodePage.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

std::string decodeUtf8(const std::string& bytes, std::vector<std::size_t>& invalid) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        if (utf8Character(bytes, at, c, length)) {
            text.append(bytes, at, length);
        } else {
            invalid.push_back(at);
            text += kReplacement;
        }
        at += length;
    }
    return text;
}

// Unicode of the bytes 0x80 to 0x9F of Windows-1252.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] == c)
            return 0x80 + i;
    return -1;
}

}  // namespace

unsigned codePageNumber(unsigned codePage) {
    return codePage == kAnsiCodePage ? systemAnsiCodePage() : codePage;
}

std::string decodeText(const std::string& bytes, unsigned codePage, std::vector<std::size_t>* invalid) {
    std::vector<std::size_t> unused;
    std::vector<std::size_t>& found = invalid ? *invalid : unused;
    const unsigned number = codePageNumber(codePage);
    return number == kUtf8CodePage ? decodeUtf8(bytes, found) : decodeFromCodePage(bytes, number, found);
}

bool toAnsi(const std::string& utf8, std::string& ansi, std::string& unwritable) {
    unwritable.clear();
    const unsigned number = systemAnsiCodePage();
    std::size_t at = 0;
    bool written = false;
    if (number == kUtf8CodePage) {
        at = firstInvalidUtf8(utf8);
        written = at == std::string::npos;
        if (written)
            ansi = utf8;
    } else {
        written = encodeToCodePage(utf8, number, ansi, at);
    }
    if (!written) {
        char32_t c = 0;
        std::size_t length = 1;
        utf8Character(utf8, at, c, length);
        unwritable = utf8.substr(at, length);
    }
    return written;
}

std::string targetNameProblem(const std::string& utf8Path) {
    std::string ansi, unwritable;
    toAnsi(utf8Path, ansi, unwritable);
    return unwritable;
}

std::string windows1252ToUtf8(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        appendUtf8(text, b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : b);
    }
    return text;
}

bool utf8ToWindows1252(const std::string& utf8, std::string& bytes, std::size_t& unwritableAt) {
    bytes.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        const int byte = utf8Character(utf8, at, c, length) ? windows1252Byte(c) : -1;
        if (byte < 0) {
            unwritableAt = at;
            return false;
        }
        bytes += static_cast<char>(byte);
        at += length;
    }
    return true;
}

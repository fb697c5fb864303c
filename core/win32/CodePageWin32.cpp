// The system's conversions between its code pages and UTF-16, and so UTF-8.
#include <windows.h>

#include "core/CodePage.h"
#include "core/WideText.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The bytes in UTF-16; false when one of them begins no character.
bool toUtf16(const char* bytes, int size, unsigned codePage, std::wstring& wide) {
    wide.clear();
    if (size == 0)
        return true;
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (length <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, size, &wide[0], length) == length;
}

// The text in the code page; false when a character has no form in it.
bool fromUtf16(const std::wstring& wide, unsigned codePage, std::string& bytes) {
    bytes.clear();
    if (wide.empty())
        return true;
    const int size = static_cast<int>(wide.size());
    BOOL defaultUsed = FALSE;
    const int length =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &defaultUsed);
    if (length <= 0 || defaultUsed)
        return false;
    bytes.resize(static_cast<std::size_t>(length));
    return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, &bytes[0], length, nullptr,
                               &defaultUsed) == length &&
           !defaultUsed;
}

}  // namespace

unsigned systemAnsiCodePage() {
    return GetACP();
}

bool codePageKnown(unsigned codePage) {
    CPINFO info;
    return IsValidCodePage(codePage) && GetCPInfo(codePage, &info) && info.MaxCharSize <= 2;
}

// Whole when it can be; else character by character (a lead byte of a
// double-byte code page with its trail byte), so that the system names the
// bytes that begin no character and every other one is kept.
std::string decodeFromCodePage(const std::string& bytes, unsigned codePage, std::vector<std::size_t>& invalid) {
    std::wstring wide;
    if (toUtf16(bytes.data(), static_cast<int>(bytes.size()), codePage, wide))
        return toUtf8(wide);
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const bool pair = at + 1 < bytes.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(bytes[at]));
        if (pair && toUtf16(&bytes[at], 2, codePage, wide)) {
            text += toUtf8(wide);
            at += 2;
        } else if (!pair && toUtf16(&bytes[at], 1, codePage, wide)) {
            text += toUtf8(wide);
            ++at;
        } else {
            invalid.push_back(at++);
            text += kReplacement;
        }
    }
    return text;
}

// Whole when it can be; else the first character that has no form is
// found by converting one character at a time.
bool encodeToCodePage(const std::string& utf8, unsigned codePage, std::string& bytes, std::size_t& unwritableAt) {
    if (fromUtf16(toWide(utf8), codePage, bytes))
        return true;
    std::string one;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        if (!utf8Character(utf8, at, c, length) || !fromUtf16(toWide(utf8.substr(at, length)), codePage, one)) {
            unwritableAt = at;
            return false;
        }
        at += length;
    }
    unwritableAt = 0;
    return false;
}

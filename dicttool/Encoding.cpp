#include "dicttool/Encoding.h"

#include <algorithm>
#include <cstdio>

#include "core/CodePage.h"
#include "core/Collation.h"
#include "dicttool/Check.h"
#include "dicttool/ToolFiles.h"

bool parseEncoding(const std::string& text, unsigned& codePage) {
    if (foldEquals(text.c_str(), "utf-8")) {
        codePage = kUtf8CodePage;
        return true;
    }
    std::string digits = text;
    for (const char* prefix : {"windows-", "cp"})
        if (foldPrefixEquals(text.c_str(), prefix, std::string(prefix).size()))
            digits = text.substr(std::string(prefix).size());
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    codePage = static_cast<unsigned>(std::stoul(digits));
    return codePage == kUtf8CodePage || codePageKnown(codePage);
}

std::string encodingText(const DecodedText& text, int codePageLine) {
    const std::string page = text.codePage == kUtf8CodePage ? "UTF-8" : "code page " + std::to_string(text.codePage);
    switch (text.origin) {
    case CodePageOrigin::ByteOrderMark: return page + " (byte order mark)";
    case CodePageOrigin::Named: return page + " (codepage line " + std::to_string(codePageLine) + ")";
    case CodePageOrigin::Default: break;
    }
    return page + " (the ANSI code page)";
}

const char* originName(CodePageOrigin origin) {
    switch (origin) {
    case CodePageOrigin::ByteOrderMark: return "byte-order-mark";
    case CodePageOrigin::Named: return "codepage-line";
    case CodePageOrigin::Default: break;
    }
    return "ansi";
}

FileEncoding fileEncoding(const std::string& file, const DecodedText& text, int codePageLine) {
    return {file, encodingText(text, codePageLine), text.codePage, text.origin, codePageLine};
}

void reportInvalidBytes(const DecodedText& text, const std::string& file, std::vector<Problem>& problems) {
    const std::string page = text.codePage == kUtf8CodePage ? "UTF-8" : "code page " + std::to_string(text.codePage);
    for (std::size_t i = 0; i < text.invalid.size();) {
        const int line = text.invalid[i].line;
        std::string bytes;
        std::size_t count = 0;
        for (; i < text.invalid.size() && text.invalid[i].line == line; ++i, ++count) {
            char byte[32];
            std::snprintf(byte, sizeof byte, "0x%02X (column %zu)", text.invalid[i].value, text.invalid[i].column);
            bytes += (count == 0 ? "" : ", ") + std::string(byte);
        }
        problems.push_back({file, line, "invalid-byte",
                            (count == 1 ? "byte " : "bytes ") + bytes + (count == 1 ? " begins" : " begin") +
                                " no character of " + page + ": read as U+FFFD"});
    }
}

// A zero byte means a file the installer cannot read as text.
void refuseBinaryText(const std::string& path, const std::string& bytes) {
    const std::string::size_type zero = bytes.find('\0');
    if (zero == std::string::npos)
        return;
    const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
    const auto line = 1 + std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(zero), '\n');
    throw ToolError(path + " is not a text file: a zero byte at offset " + std::to_string(zero) + " (line " +
                    std::to_string(line) + ")" +
                    (utf16 ? "; it looks like UTF-16: save it as UTF-8 with a byte order mark"
                           : "; the installer would misread it"));
}

#include "dicttool/Encoding.h"

#include "core/CodePage.h"
#include "core/Collation.h"

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

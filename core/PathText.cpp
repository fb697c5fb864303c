#include "core/PathText.h"

#include "core/Utf8Text.h"

namespace {

// The upper case of a lower-case letter of the alphabets foldedName knows.
char32_t upperLetter(char32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    // Latin Extended-A: pairs of upper and lower case, the lower one odd
    // except in the two runs where it is even (the dotless i, kra, the
    // n preceded by an apostrophe and the long s have none).
    const bool oddLower = (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool evenLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((oddLower && c % 2 == 1) || (evenLower && c % 2 == 0))
        return c - 1;
    switch (c) {
    case 0x3C2: return 0x3A3;                           // final sigma
    case 0x3AC: return 0x386;                           // Greek letters with tonos
    case 0x3AD: case 0x3AE: case 0x3AF: return c - 0x25;
    case 0x3CC: return 0x38C;
    case 0x3CD: case 0x3CE: return c - 0x3F;
    default: break;
    }
    return c >= 0x450 && c <= 0x45F ? c - 0x50 : c;
}

}  // namespace

std::string withBackslash(const std::string& folder) {
    if (!folder.empty() && folder.back() == '\\')
        return folder;
    return folder + '\\';
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return withBackslash(folder) + name;
}

bool pathListed(const std::vector<std::string>& list, const std::string& path) {
    for (const std::string& entry : list)
        if (pathEquals(entry, path))
            return true;
    return false;
}

std::string foldedName(const std::string& utf8) {
    std::string folded;
    folded.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        if (utf8Character(utf8, at, c, length))
            appendUtf8(folded, upperLetter(c));
        else
            folded += utf8[at];
        at += length;
    }
    return folded;
}

namespace {

// The part without the trailing dots and blanks Windows drops.
std::string trimmedPart(const std::string& part) {
    const std::string::size_type end = part.find_last_not_of(". ");
    return end == std::string::npos ? std::string() : part.substr(0, end + 1);
}

}  // namespace

bool isDeviceName(const std::string& part) {
    std::string base = part.substr(0, part.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    base = foldedName(base);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (base == device)
            return true;
    if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
        return false;
    const std::string digit = base.substr(3);
    // The digits 0 to 9, and the superscripts one, two and three.
    return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

NameLeaves nameLeaves(const std::string& name) {
    if (!name.empty() && (name[0] == '\\' || name[0] == '/'))
        return NameLeaves::Absolute;
    const std::string::size_type colon = name.find(':');
    if (colon != std::string::npos) {
        const char first = name[0];
        const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
        return colon == 1 && letter ? NameLeaves::Drive : NameLeaves::Stream;
    }
    std::size_t depth = 0;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = name.find_first_of("\\/", start);
        const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") {
            if (depth == 0)
                return NameLeaves::ClimbsOut;
            --depth;
        } else if (!part.empty() && part != ".") {
            // "..." or ". ." would be read as a parent or as nothing at all.
            if (trimmedPart(part).empty())
                return NameLeaves::ClimbsOut;
            if (isDeviceName(part))
                return NameLeaves::Device;
            ++depth;
        }
        if (end == std::string::npos)
            return NameLeaves::No;
        start = end + 1;
    }
}

const char* nameLeavesText(NameLeaves reason) {
    switch (reason) {
    case NameLeaves::ClimbsOut: return "climbs out with \"..\"";
    case NameLeaves::Drive: return "names a drive";
    case NameLeaves::Absolute: return "is an absolute path";
    case NameLeaves::Stream: return "names a stream with \":\"";
    case NameLeaves::Device: return "names a device";
    case NameLeaves::No: break;
    }
    return "";
}

std::string resolvedAgainst(const std::string& base, const std::string& name) {
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (name.size() >= 2 && name[1] == ':')
        return name;
    if (name.size() >= 2 && separator(name[0]) && separator(name[1]))
        return name;
    if (!name.empty() && separator(name[0]))
        return (base.size() >= 2 && base[1] == ':' ? base.substr(0, 2) : std::string()) + name;
    return joinPath(base, name);
}

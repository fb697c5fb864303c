// Code pages on a POSIX host: Windows-1252 is converted as Windows converts
// it; other code pages are the C library's (iconv's "CPnnnn").
#include <iconv.h>

#include <cerrno>
#include <string>

#include "core/CodePage.h"

namespace {

constexpr unsigned kWindows1252 = 1252;

// The C library's conversion from one code page to another, or none.
class Conversion {
public:
    Conversion(const std::string& to, const std::string& from) : handle_(iconv_open(to.c_str(), from.c_str())) {}
    ~Conversion() {
        if (known())
            iconv_close(handle_);
    }
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;

    bool known() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of in that it can; returns the offset of the first byte
    // it cannot convert, or npos when it converted all.
    std::size_t convert(const std::string& in, std::size_t from, std::string& out) {
        char* next = const_cast<char*>(in.data()) + from;
        std::size_t left = in.size() - from;
        while (left > 0) {
            char buffer[256];
            char* end = buffer;
            std::size_t room = sizeof buffer;
            const std::size_t done = iconv(handle_, &next, &left, &end, &room);
            out.append(buffer, static_cast<std::size_t>(end - buffer));
            if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
                iconv(handle_, nullptr, nullptr, nullptr, nullptr);
                return static_cast<std::size_t>(next - in.data());
            }
        }
        return std::string::npos;
    }

private:
    iconv_t handle_;
};

std::string iconvName(unsigned codePage) {
    return "CP" + std::to_string(codePage);
}

}  // namespace

// The C library knows no way to tell a code page's longest character, so
// the ones that are not of single or double bytes are named.
bool codePageKnown(unsigned codePage) {
    const bool wide = codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001 ||
                      codePage == 54936 || codePage == 65000 || codePage == kUtf8CodePage ||
                      (codePage >= 50220 && codePage <= 50229);
    return codePage == kWindows1252 || (!wide && Conversion("UTF-8", iconvName(codePage)).known());
}

std::string decodeFromCodePage(const std::string& bytes, unsigned codePage, std::vector<std::size_t>& invalid) {
    if (codePage == kWindows1252)
        return windows1252ToUtf8(bytes);
    Conversion conversion("UTF-8", iconvName(codePage));
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        at = conversion.known() ? conversion.convert(bytes, at, text) : at;
        if (at == std::string::npos)
            break;
        invalid.push_back(at++);
        text += "\xEF\xBF\xBD";
    }
    return text;
}

bool encodeToCodePage(const std::string& utf8, unsigned codePage, std::string& bytes, std::size_t& unwritableAt) {
    if (codePage == kWindows1252)
        return utf8ToWindows1252(utf8, bytes, unwritableAt);
    bytes.clear();
    Conversion conversion(iconvName(codePage), "UTF-8");
    unwritableAt = conversion.known() ? conversion.convert(utf8, 0, bytes) : 0;
    return unwritableAt == std::string::npos;
}


#include "core/Collation.h"

namespace {

unsigned char fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

}  // namespace

int foldCompare(const char* a, const char* b) {
    const auto* pa = reinterpret_cast<const unsigned char*>(a);
    const auto* pb = reinterpret_cast<const unsigned char*>(b);
    for (;; ++pa, ++pb) {
        unsigned char ca = fold(*pa), cb = fold(*pb);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

std::string foldedKey(const char* text) {
    std::string key(text);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    return key;
}

bool foldedIn(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& entry : list)
        if (foldEquals(entry.c_str(), item.c_str()))
            return true;
    return false;
}

bool foldEquals(const char* a, const char* b) {
    return foldCompare(a, b) == 0;
}

bool foldPrefixEquals(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = fold(static_cast<unsigned char>(a[i]));
        unsigned char cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb || ca == 0)
            return false;
    }
    return true;
}

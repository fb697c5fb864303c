#include "core/VersionOrder.h"

#include <vector>

namespace {

// The numbers of a dotted version without their leading zeros; false when
// the text is anything else (empty, a letter, two dots in a row).
bool dottedNumbers(const std::string& text, std::vector<std::string>& numbers) {
    numbers.assign(1, std::string());
    bool digitSeen = false;
    for (char c : text) {
        if (c == '.') {
            if (!digitSeen)
                return false;
            numbers.emplace_back();
            digitSeen = false;
        } else if (c >= '0' && c <= '9') {
            digitSeen = true;
            if (!(c == '0' && numbers.back().empty()))
                numbers.back() += c;
        } else {
            return false;
        }
    }
    return digitSeen;
}

// Numbers without leading zeros: the longer one is greater, and of two of
// one length the one greater as text.
int compareNumbers(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

VersionOrder orderOf(int comparison) {
    return comparison < 0 ? VersionOrder::Older : comparison > 0 ? VersionOrder::Newer : VersionOrder::Same;
}

}  // namespace

VersionOrder compareVersions(const std::string& a, const std::string& b) {
    std::vector<std::string> left, right;
    if (!dottedNumbers(a, left) || !dottedNumbers(b, right))
        return orderOf(a.compare(b));
    for (std::size_t i = 0; i < left.size() || i < right.size(); ++i) {
        const int comparison = compareNumbers(i < left.size() ? left[i] : "", i < right.size() ? right[i] : "");
        if (comparison != 0)
            return orderOf(comparison);
    }
    return VersionOrder::Same;
}

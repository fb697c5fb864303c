#include "WordListSupport.h"

#include <windows.h>

#include <cstring>
#include <tuple>

namespace wordlists {

namespace {

constexpr std::size_t kRecordSize = 84;
constexpr std::size_t kWordSize = 31;
constexpr std::size_t kMeaningsSize = 51;
constexpr std::size_t kMeaningsOffset = 31;
constexpr std::size_t kReservedOffset = 82;

// The field's text up to its terminator, or all of it when there is none.
std::string field(const char* start, std::size_t size) {
    return std::string(start, strnlen(start, size));
}

// Describes what is wrong with one field of record i; empty when nothing.
std::string checkField(const char* start, std::size_t size, std::size_t i, const char* name) {
    std::size_t length = strnlen(start, size);
    if (length == size) return "record " + std::to_string(i) + ": " + name + " has no terminator\n";
    for (std::size_t k = length; k < size; ++k)
        if (start[k] != '\0')
            return "record " + std::to_string(i) + ": non-zero byte behind the terminator of " + name + "\n";
    return "";
}

}  // namespace

std::string toString(const Record& r) {
    return "{\"" + r.word + "\", \"" + r.meanings + "\"}";
}

std::string wordListBytes(const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& r : records) {
        std::string record(kRecordSize, '\0');
        record.replace(0, std::min(r.word.size(), kWordSize - 1), r.word.substr(0, kWordSize - 1));
        record.replace(kMeaningsOffset, std::min(r.meanings.size(), kMeaningsSize - 1),
                       r.meanings.substr(0, kMeaningsSize - 1));
        bytes += record;
    }
    return bytes;
}

ParsedList parseWordList(const std::string& bytes) {
    ParsedList list;
    if (bytes.size() % kRecordSize != 0)
        list.problems += "size " + std::to_string(bytes.size()) + " is not a multiple of 84\n";
    for (std::size_t at = 0, i = 0; at + kRecordSize <= bytes.size(); at += kRecordSize, ++i) {
        const char* r = bytes.data() + at;
        list.problems += checkField(r, kWordSize, i, "word");
        list.problems += checkField(r + kMeaningsOffset, kMeaningsSize, i, "meanings");
        if (r[kReservedOffset] != '\0' || r[kReservedOffset + 1] != '\0')
            list.problems += "record " + std::to_string(i) + ": reserved field not 0\n";
        list.records.push_back({field(r, kWordSize), field(r + kMeaningsOffset, kMeaningsSize)});
    }
    return list;
}

std::vector<Record> readFromRecords(const std::string& bytes) {
    std::vector<Record> records;
    for (std::size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize)
        records.push_back({field(bytes.data() + at, kWordSize), field(bytes.data() + at + kMeaningsOffset, kMeaningsSize)});
    return records;
}

namespace {

// One Windows-1252 byte as the rules weigh it: its kind, its weight among
// its kind (the byte for a symbol or digit, the plain lower-case letter for
// a letter) and its accent (0 for none).
enum Kind { kEnd = 0, kSymbol = 1, kDigit = 2, kLetter = 3, kUnknown = 4 };
struct Weight {
    int kind;
    unsigned char base;
    int accent;
};

// The accented letters of Windows-1252 that are their plain letter with an
// accent: grave 1, acute 2, circumflex 3, tilde 4, diaeresis 5, ring 6,
// cedilla 7, caron 8. Upper and lower case alike.
Weight weightOf(unsigned char c) {
    if (c >= 'a' && c <= 'z') return {kLetter, c, 0};
    if (c >= 'A' && c <= 'Z') return {kLetter, static_cast<unsigned char>(c + 32), 0};
    if (c >= '0' && c <= '9') return {kDigit, c, 0};
    if (c >= 0x20 && c < 0x7F) return {kSymbol, c, 0};
    static const struct {
        unsigned char lower, upper;
        char base;
        int accent;
    } accented[] = {
        {0xE0, 0xC0, 'a', 1}, {0xE1, 0xC1, 'a', 2}, {0xE2, 0xC2, 'a', 3}, {0xE3, 0xC3, 'a', 4}, {0xE4, 0xC4, 'a', 5},
        {0xE5, 0xC5, 'a', 6}, {0xE7, 0xC7, 'c', 7}, {0xE8, 0xC8, 'e', 1}, {0xE9, 0xC9, 'e', 2}, {0xEA, 0xCA, 'e', 3},
        {0xEB, 0xCB, 'e', 5}, {0xEC, 0xCC, 'i', 1}, {0xED, 0xCD, 'i', 2}, {0xEE, 0xCE, 'i', 3}, {0xEF, 0xCF, 'i', 5},
        {0xF1, 0xD1, 'n', 4}, {0xF2, 0xD2, 'o', 1}, {0xF3, 0xD3, 'o', 2}, {0xF4, 0xD4, 'o', 3}, {0xF5, 0xD5, 'o', 4},
        {0xF6, 0xD6, 'o', 5}, {0xF9, 0xD9, 'u', 1}, {0xFA, 0xDA, 'u', 2}, {0xFB, 0xDB, 'u', 3}, {0xFC, 0xDC, 'u', 5},
        {0xFD, 0xDD, 'y', 2}, {0xFF, 0x9F, 'y', 5}, {0x9A, 0x8A, 's', 8}, {0x9E, 0x8E, 'z', 8},
    };
    for (const auto& a : accented)
        if (c == a.lower || c == a.upper) return {kLetter, static_cast<unsigned char>(a.base), a.accent};
    return {kUnknown, c, 0};
}

Weight weightAt(const std::string& s, std::size_t i) {
    return i < s.size() ? weightOf(static_cast<unsigned char>(s[i])) : Weight{kEnd, 0, 0};
}

}  // namespace

int italianOrder(const std::string& a, const std::string& b) {
    for (std::size_t i = 0;; ++i) {
        const Weight x = weightAt(a, i), y = weightAt(b, i);
        if (x.kind == kUnknown || y.kind == kUnknown) return kUndecided;
        if (x.kind != y.kind) return x.kind < y.kind ? -1 : 1;
        if (x.kind == kEnd) break;
        if (x.base != y.base) return x.kind == kSymbol ? kUndecided : (x.base < y.base ? -1 : 1);
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int x = weightAt(a, i).accent, y = weightAt(b, i).accent;
        if (x != y) return x != 0 && y != 0 ? kUndecided : (x < y ? -1 : 1);
    }
    return 0;
}

bool italianBefore(const std::string& a, const std::string& b) {
    auto key = [](const std::string& s) {
        std::vector<int> primary, accents;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const Weight w = weightAt(s, i);
            primary.push_back(w.kind * 256 + w.base);
            accents.push_back(w.accent);
        }
        return std::make_tuple(primary, accents, s);
    };
    return key(a) < key(b);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        start = end + 1;
    }
    return out;
}

std::vector<std::string> languageEntries(const std::string& iniText) {
    std::vector<std::string> entries;
    bool inSection = false;
    for (const std::string& line : lines(iniText)) {
        if (line.empty() || line[0] == '#') {
            inSection = false;
            continue;
        }
        if (inSection) entries.push_back(line);
        if (_stricmp(line.c_str(), "[language]") == 0) inSection = true;
    }
    return entries;
}

std::optional<std::string> fromCrLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n') return std::nullopt;
            continue;
        }
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return std::nullopt;
        out += text[i];
    }
    return out;
}

std::string environment(const char* name) {
    char buffer[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string dataFolder() {
    return environment("E2E_DATA");
}

}  // namespace wordlists

#include "WordListSupport.h"

#include <windows.h>

#include <cstring>

namespace wordlists {

namespace {

constexpr std::size_t kRecordSize = 84;
constexpr std::size_t kWordSize = 31;
constexpr std::size_t kMeaningsSize = 51;
constexpr std::size_t kMeaningsOffset = 31;
constexpr std::size_t kReservedOffset = 82;

constexpr LCID kItalian = 0x0410;

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

int systemCompare(const std::string& a, const std::string& b) {
    switch (CompareStringA(kItalian, NORM_IGNORECASE | SORT_STRINGSORT, a.c_str(), -1, b.c_str(), -1)) {
    case CSTR_LESS_THAN: return -1;
    case CSTR_EQUAL: return 0;
    case CSTR_GREATER_THAN: return 1;
    default: return 2;
    }
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

#include "wordlist/WordListCheck.h"

#include <cstring>
#include <vector>

#include "core/Utf8Text.h"
#include "core/PathText.h"
#include "run/ScriptSettings.h"
#include "wordlist/WordRecord.h"

std::string wordListRelativePath(const std::string& name) {
    return "language\\" + name;
}

bool isScratchName(const std::string& name) {
    std::vector<std::string> parts{"language"};
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = name.find_first_of("\\/", start);
        std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") {
            if (parts.empty())
                return false;  // above the target directory
            parts.pop_back();
        } else {
            part.erase(part.find_last_not_of(". ") + 1);  // npos + 1 == 0: all dots and blanks
            if (!part.empty())
                parts.push_back(part);
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts.size() == 2 && pathEquals(parts[0], "language") && pathEquals(parts[1], "temp.wb");
}

bool wordListPathFits(const std::string& targetSlash, const std::string& name) {
    return utf16Length(targetSlash + wordListRelativePath(name)) < kPathCapacity;
}

namespace {

// Length of a field's text: up to its terminator, or the whole field.
std::size_t fieldLength(const char* field, std::size_t size) {
    const void* zero = std::memchr(field, 0, size);
    return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : size;
}

// The translations of one record as the builder splits them: at commas, a
// run of commas being one separator, leading blanks passed over.
void surveyTranslations(const WordRecord& record, std::uint64_t index, RecordSurvey& survey) {
    const std::size_t wordLength = fieldLength(record.word, sizeof record.word);
    const std::size_t length = fieldLength(record.meanings, sizeof record.meanings);
    std::size_t at = 0;
    while (at < length) {
        std::size_t end = at;
        while (end < length && record.meanings[end] != ',')
            ++end;
        std::size_t start = at;
        while (start < end && record.meanings[start] == ' ')
            ++start;
        if (end > at) {
            if (end - start > kMaxWordLength) {
                if (survey.longTranslations++ == 0) {
                    survey.firstLongTranslation = index;
                    survey.longExample.assign(record.meanings + start, end - start);
                }
            } else if (wordLength <= kMaxMeaningsLength) {
                ++survey.reversed;
            }
        }
        at = end + 1;
    }
}

}  // namespace

void surveyRecords(const char* bytes, std::size_t size, RecordSurvey& survey) {
    const std::uint64_t first = survey.records;
    survey.records += size / sizeof(WordRecord);
    survey.trailingBytes = size % sizeof(WordRecord);
    for (std::uint64_t i = first; i < survey.records; ++i) {
        WordRecord record;
        std::memcpy(&record, bytes + (i - first) * sizeof record, sizeof record);
        const bool terminated = std::memchr(record.word, 0, sizeof record.word) &&
                                std::memchr(record.meanings, 0, sizeof record.meanings);
        if (!terminated && survey.unterminated++ == 0)
            survey.firstUnterminated = i;
        surveyTranslations(record, i, survey);
    }
}

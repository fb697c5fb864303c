// The language list: its content-line reader and the language-line
// tokeniser over the bytes, then the whole per-language driver with the
// bytes as language.cf, two small FROM wordlists at hand.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/FileLayer.h"
#include "core/BoundedText.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/HostPlatform.h"
#include "wordlist/LanguageList.h"
#include "wordlist/WordRecord.h"

namespace {

void checkSplit(const char* line) {
    LanguageEntry entry;
    const int found = splitLanguageLine(line, entry);
    FUZZ_CHECK(found >= 0 && found <= 4);
    const std::string* const fields[] = {&entry.keptFields[0], &entry.keptFields[1], &entry.keptFields[2], &entry.displayName};
    for (int i = 0; i < 4; ++i) {
        // Found fields hold something other than commas; only field 1 may
        // carry the commas that stood before it.
        FUZZ_CHECK((i < found) == !fields[i]->empty());
        if (i > 0)
            FUZZ_CHECK(fields[i]->find(',') == std::string::npos);
        FUZZ_CHECK(fields[i]->size() <= std::strlen(line));
    }
    if (found > 0)
        FUZZ_CHECK(entry.keptFields[0].find_first_not_of(',') != std::string::npos);
}

void readLines(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const ListLine& line : contentLines(decodeTextFile(bytes, 0, 0, true).text)) {
        FUZZ_CHECK(!line.text.empty() && line.text.size() <= 4 * 99 && line.text.find('\0') == std::string::npos);
        FUZZ_CHECK(line.text[0] != '#');
        checkSplit(line.text.c_str());
    }
}

// Two FROM wordlists the fuzzer can name: a.wb and b.wb.
void writeFromLists() {
    WordRecord records[3] = {};
    copyText(records[0].word, "casa");
    copyText(records[0].meanings, "house,home");
    copyText(records[1].word, "libro");
    copyText(records[1].meanings, "book");
    copyText(records[2].word, "Casa");
    copyText(records[2].meanings, " home ,,house");
    writeWholeFile("language/a.wb", reinterpret_cast<const std::uint8_t*>(records), sizeof records);
    writeWholeFile("language/b.wb", reinterpret_cast<const std::uint8_t*>(records), sizeof(WordRecord));
}

void runDriver(const std::uint8_t* data, std::size_t size) {
    // Word-list names are joined to language/ as they stand: a name with
    // ".." could reach files outside the scratch folder, so such lists are
    // left to the line checks above.
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (text.find("..") != std::string::npos)
        return;

    ScratchFolder scratch;
    ScratchFolder::clear();
    writeFromLists();
    writeWholeFile("language.cf", data, size);
    try {
        processLanguageList();
        FUZZ_CHECK(!fileExists("language.cf"));
    } catch (const EarlyEnd&) {
    }
    FUZZ_CHECK(!fileExists("tmp.ini"));
    ScratchFolder::clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    resetHostPlatform();
    readLines(data, size);
    resetHostPlatform();
    runDriver(data, size);
    return 0;
}

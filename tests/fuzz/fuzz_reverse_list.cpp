// The reverse-list builder over an arbitrary FROM wordlist. The bytes are
// the FROM file as they stand; the bytes behind its last whole record,
// which the builder ignores, choose the options of the run: with the first
// of them bit 0 set the collation is selected (the sort-key path), with
// bit 1 set the progress display is quiet.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/Collation.h"
#include "run/ScriptSettings.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/HostPlatform.h"
#include "wordlist/LanguageList.h"
#include "wordlist/ReverseList.h"
#include "wordlist/WordRecord.h"

namespace {

// What must hold of every TO wordlist: whole records, each field
// terminated within itself, the reserved bytes 0, the words in collated
// order and no two neighbours with the same word (they are merged).
void checkToList(const std::string& to) {
    FUZZ_CHECK(to.size() % sizeof(WordRecord) == 0);
    const std::size_t count = to.size() / sizeof(WordRecord);
    WordRecord previous{};
    for (std::size_t i = 0; i < count; ++i) {
        WordRecord record;
        std::memcpy(&record, to.data() + i * sizeof record, sizeof record);
        FUZZ_CHECK(strnlen(record.word, sizeof record.word) < sizeof record.word);
        FUZZ_CHECK(strnlen(record.meanings, sizeof record.meanings) < sizeof record.meanings);
        FUZZ_CHECK(record.reserved[0] == 0 && record.reserved[1] == 0);
        if (i > 0) {
            FUZZ_CHECK(collateCompare(previous.word, record.word) <= 0);
            FUZZ_CHECK(std::strcmp(previous.word, record.word) != 0);
        }
        previous = record;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    resetHostPlatform();
    const std::size_t whole = size - size % sizeof(WordRecord);
    const std::uint8_t options = whole < size ? data[whole] : 0;
    if (options & 1)
        selectCollation("italian");
    if (options & 2)
        scriptSettings.verbose = 0;

    ScratchFolder scratch;
    writeWholeFile("language/from.wb", data, size);
    LanguageEntry entry;
    entry.displayName = "Fuzz";
    entry.fromName = "from.wb";
    entry.toName = "to.wb";
    try {
        buildReverseList(entry);
        FUZZ_CHECK(!fileExists("language/temp.wb"));
        checkToList(readWholeFile("language/to.wb"));
    } catch (const EarlyEnd&) {
    }
    ScratchFolder::clear();
    return 0;
}

// The settings-file operations over an arbitrary kelmo.ini. The first byte
// chooses a failure to inject (an operation of the file layer and which of
// its calls fails, or a refused replacement, or none); the line after it is
// a language line, split as the language list splits it, that gives the
// entry; the rest is kelmo.ini. An input without that line leaves kelmo.ini
// missing, for createSettingsFile to make.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "core/FileLayer.h"
#include "settings/SettingsFile.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/HostPlatform.h"
#include "wordlist/LanguageList.h"

namespace {

// The operations the settings code performs, in the order the selector
// numbers them.
constexpr FileOp kSettingsOps[] = {FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Close, FileOp::Replace};
constexpr int kSettingsOpCount = 5;

void injectFault(std::uint8_t selector) {
    const int op = selector % 8;
    const int call = selector / 8 % 8 + 1;
    if (op < kSettingsOpCount)
        hostPlatform().fault(kSettingsOps[op]).failAt = call;
    else if (op == kSettingsOpCount)
        hostPlatform().failReplace = true;
}

// Whether kelmo.ini exists, and its bytes.
struct Snapshot {
    bool present;
    std::string bytes;
    bool operator==(const Snapshot& other) const { return present == other.present && bytes == other.bytes; }
};

Snapshot snapshot() {
    return {fileExists("kelmo.ini"), readWholeFile("kelmo.ini")};
}

// Runs one operation, which answers whether it went through. Whether it
// ends normally or in fatalError, tmp.ini must be gone afterwards; when it
// went through kelmo.ini exists, when it failed kelmo.ini is as it was
// before (or still missing).
void run(const std::function<bool()>& operation) {
    const Snapshot before = snapshot();
    bool done = false;
    try {
        done = operation();
    } catch (const EarlyEnd&) {
    }
    FUZZ_CHECK(!fileExists("tmp.ini"));
    if (done)
        FUZZ_CHECK(fileExists("kelmo.ini"));
    else
        FUZZ_CHECK(snapshot() == before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    resetHostPlatform();
    injectFault(data[0]);

    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t lineEnd = rest.find('\n');
    LanguageEntry entry;
    // A language line is read in pieces of at most 99 characters.
    splitLanguageLine(rest.substr(0, std::min<std::size_t>(lineEnd, 99)).c_str(), entry);
    entry.fromName = entry.keptFields[1] + ".wb";

    ScratchFolder scratch;
    ScratchFolder::clear();
    if (lineEnd != std::string::npos) {
        const std::string ini = rest.substr(lineEnd + 1);
        writeWholeFile("kelmo.ini", reinterpret_cast<const std::uint8_t*>(ini.data()), ini.size());
    }

    run([&] {
        createSettingsFile(entry.fromName.c_str());
        return true;
    });
    run([&] {
        dropLanguageEntry(entry.displayName.c_str());
        return true;
    });
    run([&] {
        appendLanguageEntry(entry);
        return true;
    });
    run([&] { return sortLanguageSection(countLanguageEntries()) == 0; });
    ScratchFolder::clear();
    return 0;
}

// The install record's reader over arbitrary bytes, for a target folder and
// for a drive root. Whatever it accepts names nothing outside the target
// (outside the system's folders, for a drive root), the Programs folders
// and [Dictionary] (judged here by a check of its own),
// and, written again and read back, is the same record; whatever it
// refuses hands back nothing to remove.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "record/InstallRecord.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/HostPlatform.h"

namespace {

const std::string kTarget = "C:\\Dict";
const std::string kPrograms = "C:\\Users\\me\\Start Menu\\Programs";

const RecordRoots& dictRoots() {
    static const RecordRoots r{kTarget, {kPrograms}, {}, ""};
    return r;
}

const RecordRoots& driveRoots() {
    static const RecordRoots r{"C:\\", {kPrograms}, {"C:\\Windows", "C:\\Users"}, ""};
    return r;
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The components below a folder, each a plain name: not empty, not "." or
// "..", no character Windows refuses or reads as a stream or a wildcard, no
// dot or space at its end (Windows drops them, so the name would be another).
bool plainComponents(const std::string& rest) {
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = std::min(rest.find('\\', at), rest.size());
        const std::string part = rest.substr(at, end - at);
        if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ')
            return false;
        for (unsigned char c : part)
            if (c < 32 || std::strchr(":*?\"<>|/", c))
                return false;
        if (end == rest.size())
            return true;
        at = end + 1;
    }
}

// Below folder (given without its trailing backslash), letters A to Z alike.
bool below(const std::string& path, const std::string& folder) {
    const std::string head = lower(folder) + "\\";
    return path.size() > head.size() && lower(path.substr(0, head.size())) == head &&
           plainComponents(path.substr(head.size()));
}

// Inside the installation, judged here by the rules as the README states
// them, not by the reader's own path functions.
bool allowed(const std::string& path, bool directory, bool driveRoot) {
    if (below(path, kPrograms))
        return true;
    if (!driveRoot)
        return below(path, kTarget) || (directory && lower(path) == lower(kTarget));
    return below(path, "C:") && !below(path, "C:\\Windows") && lower(path) != "c:\\windows" &&
           !below(path, "C:\\Users") && lower(path) != "c:\\users";
}

bool plainKey(const IniKeyChange& change) {
    auto oneLine = [](const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; };
    return !change.key.empty() && change.key.find('=') == std::string::npos && oneLine(change.key) &&
           oneLine(change.previous) && oneLine(change.given) && (change.hadValue || change.previous.empty());
}

bool sameRecord(const InstallRecord& a, const InstallRecord& b) {
    if (a.title != b.title || a.target != b.target || a.directories != b.directories || a.files != b.files ||
        a.existed != b.existed ||
        a.createdIniSection != b.createdIniSection || a.iniKeys.size() != b.iniKeys.size())
        return false;
    for (std::size_t i = 0; i < a.iniKeys.size(); ++i)
        if (a.iniKeys[i].key != b.iniKeys[i].key || a.iniKeys[i].hadValue != b.iniKeys[i].hadValue ||
            a.iniKeys[i].previous != b.iniKeys[i].previous || a.iniKeys[i].givenKnown != b.iniKeys[i].givenKnown ||
            a.iniKeys[i].given != b.iniKeys[i].given)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    resetHostPlatform();
    ScratchFolder scratch;
    ScratchFolder::clear();
    writeWholeFile(kRecordName, data, size);

    for (const RecordRoots* roots : {&dictRoots(), &driveRoots()}) {
        const bool driveRoot = roots == &driveRoots();
        InstallRecord record;
        std::string detail;
        if (readInstallRecord(kRecordName, *roots, record, detail) != RecordFault::None) {
            FUZZ_CHECK(record.files.empty() && record.directories.empty() && record.existed.empty() &&
                       record.iniKeys.empty());
            continue;
        }
        for (const std::string& dir : record.directories)
            FUZZ_CHECK(allowed(dir, true, driveRoot));
        for (const auto* list : {&record.files, &record.existed})
            for (const std::string& file : *list)
                FUZZ_CHECK(allowed(file, false, driveRoot));
        for (const IniKeyChange& change : record.iniKeys)
            FUZZ_CHECK(plainKey(change));

        FUZZ_CHECK(writeInstallRecord(record, "again.dat", kRecordScratchName));
        InstallRecord again;
        FUZZ_CHECK(readInstallRecord("again.dat", *roots, again, detail) == RecordFault::None);
        FUZZ_CHECK(sameRecord(record, again));
    }
    ScratchFolder::clear();
    return 0;
}

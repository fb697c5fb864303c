// The install record's reader over arbitrary bytes. Whatever it accepts
// names nothing outside the target, the Programs folders and [Dictionary],
// and, written again and read back, is the same record; whatever it
// refuses hands back nothing to remove.
#include <cstdint>
#include <string>

#include "base/InstallRecord.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/HostPlatform.h"

namespace {

const RecordRoots& roots() {
    static const RecordRoots r{"C:\\Dict", {"C:\\Users\\me\\Start Menu\\Programs"}};
    return r;
}

bool allowed(const std::string& path, bool directory) {
    return pathWithin(path, roots().target, directory) || pathWithin(path, roots().startMenu[0], false);
}

bool sameRecord(const InstallRecord& a, const InstallRecord& b) {
    if (a.title != b.title || a.target != b.target || a.directories != b.directories || a.files != b.files ||
        a.createdIniSection != b.createdIniSection || a.iniKeys.size() != b.iniKeys.size())
        return false;
    for (std::size_t i = 0; i < a.iniKeys.size(); ++i)
        if (a.iniKeys[i].key != b.iniKeys[i].key || a.iniKeys[i].hadValue != b.iniKeys[i].hadValue ||
            a.iniKeys[i].previous != b.iniKeys[i].previous)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    resetHostPlatform();
    ScratchFolder scratch;
    ScratchFolder::clear();
    writeWholeFile(kRecordName, data, size);

    InstallRecord record;
    std::string detail;
    if (readInstallRecord(kRecordName, roots(), record, detail) != RecordFault::None) {
        FUZZ_CHECK(record.files.empty() && record.directories.empty() && record.iniKeys.empty());
        return 0;
    }
    for (const std::string& dir : record.directories)
        FUZZ_CHECK(allowed(dir, true));
    for (const std::string& file : record.files)
        FUZZ_CHECK(allowed(file, false));
    for (const IniKeyChange& change : record.iniKeys)
        FUZZ_CHECK(!change.key.empty());

    FUZZ_CHECK(writeInstallRecord(record, "again.dat", kRecordScratchName));
    InstallRecord again;
    FUZZ_CHECK(readInstallRecord("again.dat", roots(), again, detail) == RecordFault::None);
    FUZZ_CHECK(sameRecord(record, again));
    ScratchFolder::clear();
    return 0;
}

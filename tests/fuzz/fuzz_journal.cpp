// The journal's reader over arbitrary bytes. Whatever it accepts names only
// paths inside the target or the Programs folder and backups inside the
// backup folder (judged here by a check of its own), written again reads
// back the same, and plans one undo step for each change of a run that did
// not commit; whatever it refuses hands back nothing to undo.
#include <cstdint>
#include <string>

#include "record/Journal.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

const std::string kTarget = "C:\\Dict";
const std::string kPrograms = "C:\\Users\\me\\Start Menu\\Programs";
const std::string kBackups = "C:\\Records\\Dictionary_1\\backup";

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// At or below folder, letters A to Z alike, with no ".." or empty name on
// the way.
bool atOrBelow(const std::string& path, const std::string& folder) {
    const std::string p = lower(path), f = lower(folder);
    if (p == f)
        return true;
    if (p.compare(0, f.size() + 1, f + "\\") != 0 || p.size() == f.size() + 1)
        return false;
    return p.find("\\..") == std::string::npos && p.find("\\\\") == std::string::npos && p.back() != '\\';
}

bool sameEntries(const Journal& a, const Journal& b) {
    if (a.title != b.title || a.target != b.target || a.committed != b.committed ||
        a.entries.size() != b.entries.size())
        return false;
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        const JournalEntry &x = a.entries[i], &y = b.entries[i];
        if (x.op != y.op || x.path != y.path || x.backup != y.backup || x.hadValue != y.hadValue ||
            x.previous != y.previous)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const RecordRoots roots{kTarget, {kPrograms}, {}, ""};
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Journal journal;
    std::string detail;
    if (parseJournal(bytes, roots, kBackups, journal, detail) != JournalFault::None) {
        FUZZ_CHECK(journal.entries.empty() && !journal.committed);
        return 0;
    }
    for (const JournalEntry& e : journal.entries) {
        if (e.op == JournalOp::Folder || e.op == JournalOp::File || e.op == JournalOp::Replace)
            FUZZ_CHECK(atOrBelow(e.path, kTarget) || atOrBelow(e.path, kPrograms));
        if (e.op == JournalOp::File || e.op == JournalOp::Replace)
            FUZZ_CHECK(lower(e.path) != lower(kTarget) && lower(e.path) != lower(kPrograms));
        if (e.op == JournalOp::Replace)
            FUZZ_CHECK(atOrBelow(e.backup, kBackups) && lower(e.backup) != lower(kBackups));
        FUZZ_CHECK(e.op != JournalOp::Commit);
    }
    std::uint32_t chain = 0;
    std::string again = journalHeader(journal.title, journal.target, chain);
    for (const JournalEntry& e : journal.entries)
        again += journalLine(e, chain);
    if (journal.committed)
        again += journalLine({JournalOp::Commit, "", "", false, ""}, chain);
    Journal reread;
    FUZZ_CHECK(parseJournal(again, roots, kBackups, reread, detail) == JournalFault::None);
    FUZZ_CHECK(sameEntries(journal, reread) && !reread.tornTail);
    FUZZ_CHECK(planUndo(journal).size() == (journal.committed ? 0 : journal.entries.size()));
    return 0;
}

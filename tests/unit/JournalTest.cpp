// The journal of a run: what is written reads back, a journal cut at any
// byte gives the whole lines before the cut and nothing of the rest, a
// line that does not belong refuses it whole, and the undo steps run
// latest first.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "record/Journal.h"

namespace {

const RecordRoots kRoots{"C:\\Dict", {"C:\\Users\\me\\Start Menu\\Programs"}, {}, ""};
const std::string kBackups = "C:\\Program Files\\Dictionary Uninstall\\Dictionary_1\\backup";

std::vector<JournalEntry> sampleEntries() {
    return {{JournalOp::Folder, "C:\\Dict", "", false, ""},
            {JournalOp::File, "C:\\Dict\\readme.txt", "", false, ""},
            {JournalOp::File, "C:\\Dict\\docs\\abbrev.txt", "", false, ""},  // announced before its folder
            {JournalOp::Folder, "C:\\Dict\\docs", "", false, ""},
            {JournalOp::Replace, "C:\\Dict\\kelmo.ini", kBackups + "\\1", false, ""},
            {JournalOp::IniSection, "", "", false, ""},
            {JournalOp::IniKey, "Font", "", true, "Times\tNew\\Roman\r\n"},
            {JournalOp::IniKey, "Delay", "", false, ""},
            {JournalOp::Folder, "C:\\Users\\me\\Start Menu\\Programs\\Dict", "", false, ""},
            {JournalOp::Entry, uninstallKeyName("C:\\Dict"), "", true, "DisplayName=Old"}};
}

std::string journalBytes(const std::vector<JournalEntry>& entries, bool commit) {
    std::uint32_t chain = 0;
    std::string bytes = journalHeader("Dizionario", "C:\\Dict", chain);
    for (const JournalEntry& e : entries)
        bytes += journalLine(e, chain);
    if (commit)
        bytes += journalLine({JournalOp::Commit, "", "", false, ""}, chain);
    return bytes;
}

}  // namespace

TEST(Journal, ReadsBackWhatWasWrittenAndPlansTheUndoLatestFirst) {
    Journal journal;
    std::string detail;
    ASSERT_EQ(parseJournal(journalBytes(sampleEntries(), false), kRoots, kBackups, journal, detail),
              JournalFault::None)
        << detail;
    EXPECT_EQ(journal.title, "Dizionario");
    EXPECT_FALSE(journal.committed);
    ASSERT_EQ(journal.entries.size(), sampleEntries().size());
    EXPECT_EQ(journal.entries[6].previous, "Times\tNew\\Roman\r\n");

    const std::vector<UndoStep> steps = planUndo(journal);
    // Latest first, and every folder after the files, so that it is empty
    // when its turn comes.
    const std::vector<UndoKind> kinds = {UndoKind::RestoreEntry,      UndoKind::RestoreIniKey,
                                         UndoKind::RestoreIniKey,     UndoKind::RemoveIniSection,
                                         UndoKind::RestoreBackup,     UndoKind::RemoveFile,
                                         UndoKind::RemoveFile,        UndoKind::RemoveEmptyFolder,
                                         UndoKind::RemoveEmptyFolder, UndoKind::RemoveEmptyFolder};
    ASSERT_EQ(steps.size(), kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(steps[i].kind, kinds[i]) << "step " << i;
    EXPECT_EQ(steps[4].backup, kBackups + "\\1");
    EXPECT_FALSE(steps[1].hadValue);
    EXPECT_EQ(steps[2].previous, "Times\tNew\\Roman\r\n");
    EXPECT_EQ(steps[5].path, "C:\\Dict\\docs\\abbrev.txt");
    EXPECT_EQ(steps[8].path, "C:\\Dict\\docs");
    EXPECT_EQ(steps[9].path, "C:\\Dict");

    ASSERT_EQ(parseJournal(journalBytes(sampleEntries(), true), kRoots, kBackups, journal, detail),
              JournalFault::None);
    EXPECT_TRUE(journal.committed);
    EXPECT_TRUE(planUndo(journal).empty());
    EXPECT_EQ(journalBackups(journal), std::vector<std::string>{kBackups + "\\1"});
}

// A power cut leaves the journal cut at any byte: what is read is always a
// run of whole lines from the start, never a line in part.
TEST(Journal, ACutAtAnyByteKeepsOnlyTheWholeLinesBeforeIt) {
    const std::string whole = journalBytes(sampleEntries(), true);
    std::size_t header = 0;
    for (int lines = 0; lines < 3; ++lines)
        header = whole.find('\n', header) + 1;
    std::size_t lastCount = 0;
    for (std::size_t cut = header; cut <= whole.size(); ++cut) {
        for (const char fill : {'\0', 'x'}) {
            std::string bytes = whole.substr(0, cut) + std::string(cut < whole.size() ? 7 : 0, fill);
            Journal journal;
            std::string detail;
            ASSERT_EQ(parseJournal(bytes, kRoots, kBackups, journal, detail), JournalFault::None)
                << "cut at " << cut << ": " << detail;
            const std::size_t lineEnds = static_cast<std::size_t>(
                std::count(whole.begin() + static_cast<long>(header), whole.begin() + static_cast<long>(cut), '\n'));
            const std::size_t expected = std::min(lineEnds, sampleEntries().size());
            EXPECT_EQ(journal.entries.size(), expected) << "cut at " << cut;
            EXPECT_EQ(journal.committed, cut == whole.size());
            EXPECT_EQ(journal.tornTail, cut < whole.size());
            EXPECT_GE(journal.entries.size(), lastCount);
            lastCount = journal.entries.size();
        }
    }
}

// The record and the uninstaller lie beside the journal, with the backups.
TEST(Journal, TheJournalsOwnFolderHoldsTheRecordAndTheUninstaller) {
    const std::string own = kBackups.substr(0, kBackups.rfind('\\'));
    Journal journal;
    std::string detail;
    ASSERT_EQ(parseJournal(journalBytes({{JournalOp::Folder, kBackups, "", false, ""},
                                         {JournalOp::File, own + "\\uninstall.exe", "", false, ""},
                                         {JournalOp::Replace, own + "\\uninstall.dat", kBackups + "\\1", false, ""}},
                                        false),
                           kRoots, kBackups, journal, detail),
              JournalFault::None)
        << detail;
    EXPECT_EQ(journal.entries.size(), 3u);
}

TEST(Journal, ALineThatDoesNotBelongRefusesItWhole) {
    const struct {
        const char* name;
        JournalEntry entry;
    } cases[] = {
        {"a file outside the target", {JournalOp::File, "C:\\Windows\\system.ini", "", false, ""}},
        {"a folder above it", {JournalOp::Folder, "C:\\", "", false, ""}},
        {"a path not in normal form", {JournalOp::File, "C:\\Dict\\a\\..\\..\\x", "", false, ""}},
        {"a backup elsewhere", {JournalOp::Replace, "C:\\Dict\\a", "C:\\Dict\\a.bak", false, ""}},
        {"a key with a bracket", {JournalOp::IniKey, "[Boot]", "", false, ""}},
        {"another installation's entry", {JournalOp::Entry, uninstallKeyName("C:\\Other"), "", false, ""}},
        {"a file beside the records", {JournalOp::File, "C:\\Program Files\\Dictionary Uninstall\\x.exe", "", false, ""}},
    };
    for (const auto& c : cases) {
        Journal journal;
        std::string detail;
        EXPECT_EQ(parseJournal(journalBytes({c.entry}, false), kRoots, kBackups, journal, detail),
                  JournalFault::Damaged)
            << c.name;
        EXPECT_TRUE(journal.entries.empty()) << c.name;
    }
    Journal journal;
    std::string detail;
    EXPECT_EQ(parseJournal("not a journal\n", kRoots, kBackups, journal, detail), JournalFault::Damaged);
    const RecordRoots other{"C:\\Other", {}, {}, ""};
    EXPECT_EQ(parseJournal(journalBytes({}, false), other, kBackups, journal, detail), JournalFault::Damaged);
    const RecordRoots keyed{"", {}, {}, uninstallKeyName("C:\\Dict")};
    EXPECT_EQ(parseJournal(journalBytes({}, false), keyed, kBackups, journal, detail), JournalFault::None);
    // A line after the commit was never written by a run.
    std::string bytes = journalBytes({}, true);
    std::uint32_t chain = 0;
    std::string rebuilt = journalHeader("Dizionario", "C:\\Dict", chain);
    rebuilt += journalLine({JournalOp::Commit, "", "", false, ""}, chain);
    rebuilt += journalLine({JournalOp::File, "C:\\Dict\\x", "", false, ""}, chain);
    EXPECT_EQ(parseJournal(rebuilt, kRoots, kBackups, journal, detail), JournalFault::Damaged);
}

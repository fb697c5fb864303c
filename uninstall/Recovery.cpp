// An installation run over this one that did not end (killed, or the
// power cut) is taken back before the uninstaller reads the record: its
// journal lies in the record's folder (elevated) or in the user's journal
// folder for the target.
#include <string>

#include "core/Log.h"
#include "core/WideText.h"
#include "core/win32/FolderAccessWin32.h"
#include "record/JournalWin32.h"
#include "uninstall/Uninstall.h"

void recoverLaterRun(const std::string& folder, bool isProtected, bool silent) {
    // An elevated uninstaller reads no journal from a folder that other
    // users can write.
    if (!isProtected && processElevated())
        return;
    const std::string journalFolder = isProtected ? folder : journalFolderFor(folder);
    Journal journal;
    std::string detail;
    const JournalState state = journalFolder.empty() ? JournalState::None : readJournalIn(journalFolder, journal, detail);
    if (state == JournalState::None || state == JournalState::Damaged) {
        if (state == JournalState::Damaged)
            logLine("warning: the journal in " + journalFolder + " cannot be read (" + detail + ")");
        return;
    }
    UndoReport report;
    if (state == JournalState::Unfinished) {
        const std::string text = "An installation of \"" + journal.title + "\" into " + journal.target +
                                 " did not end. Its changes are undone first.";
        logLine(text);
        if (!silent)
            MessageBoxW(nullptr, toWide(text).c_str(), L"Uninstall", MB_OK | MB_ICONINFORMATION);
    }
    finishJournal(journalFolder, journal, report);
    for (const std::string& undone : report.undone)
        logLine("undone: " + undone);
    for (const std::string& left : report.notUndone)
        logLine("not undone: " + left);
}

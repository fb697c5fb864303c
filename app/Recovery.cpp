// Runs that did not end: found at the start, before anything is written,
// and taken back.
#include <windows.h>

#include <string>

#include "app/App.h"
#include "core/Log.h"
#include "core/WideText.h"
#include "record/JournalWin32.h"

namespace {

void tell(bool quiet, const std::string& text, UINT icon) {
    logLine(text);
    if (!quiet)
        MessageBoxW(nullptr, toWide(text).c_str(), L"Install", MB_OK | icon);
}

}  // namespace

void recoverUnfinishedRuns(bool quiet) {
    for (const std::string& folder : journalFolders()) {
        Journal journal;
        std::string detail;
        UndoReport report;
        switch (readJournalIn(folder, journal, detail)) {
        case JournalState::None:
            continue;
        case JournalState::Damaged:
            logLine("warning: the journal in " + folder + " cannot be read (" + detail + "); it is left as it is");
            continue;
        case JournalState::Committed:
            logLine("the installation into " + journal.target + " ended; its backups are removed");
            finishJournal(folder, journal, report);
            continue;
        case JournalState::Unfinished:
            tell(quiet,
                 "The installation of \"" + journal.title + "\" into " + journal.target +
                     " did not end. Its changes are now undone.",
                 MB_ICONINFORMATION);
            finishJournal(folder, journal, report);
            break;
        }
        for (const std::string& undone : report.undone)
            logLine("undone: " + undone);
        if (report.notUndone.empty())
            continue;
        std::string text = "These changes of the installation into " + journal.target + " could not be undone:\n";
        for (const std::string& left : report.notUndone)
            text += "\n" + left;
        tell(quiet, text, MB_ICONWARNING);
    }
}

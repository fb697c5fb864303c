// Files of the installation that other programs hold open (a dictionary
// program keeps its word lists open): the programs are named before the
// first copy, and a file met held where the run writes it anew is retried,
// or its new bytes wait for the next restart of Windows.
#pragma once

#include <string>
#include <vector>

// Before the first copy: which of the files (those that the run will
// write again) other programs hold. Interactively a box names the
// programs, or the files where the system names none: Retry asks again,
// Ignore goes on, Abort ends the run with every change undone. Silently
// the run goes on; with /CLOSEAPPLICATIONS the programs are first asked to
// close.
void askAboutFilesInUse(const std::vector<std::string>& files);

enum class HeldAnswer {
    Retry,      // try the write again
    AtRestart,  // write the new bytes beside it, to replace it at the next restart
    Refuse,     // the write fails as any other (a program that is no installer)
};

// A file that another program holds, met where the run writes it anew.
// Interactively the box names the programs (Retry; Ignore: at the restart;
// Abort: the run ends, every change undone), unless Ignore was chosen
// before the copies. Silently AtRestart; with /CLOSEAPPLICATIONS the
// programs that hold it are first asked, once, to close, and Retry.
HeldAnswer askAboutHeldFile(const std::string& path);

// Puts a whole new file (scratch, named relative to root) in the place of
// relative in one move, the earlier file set aside by the journal first
// and put back when the move fails. When it fails because another program
// holds relative, the box asks (Retry tries again); otherwise scratch
// takes the name relative + ".new~" (in waiting) and replaces the held
// file at the next restart, noted in the record and in runEnd.atRestart.
// False when neither could be done.
bool replaceOrWait(const char* root, const std::string& scratch, const std::string& relative, std::string& waiting);

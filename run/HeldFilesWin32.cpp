#include "run/HeldFiles.h"

#include <windows.h>

#include "core/InUse.h"
#include "core/Log.h"
#include "core/win32/InUseWin32.h"
#include "core/win32/TextWin32.h"
#include "run/EarlyEnd.h"
#include "run/MessageBoxes.h"
#include "run/RunEnd.h"

namespace {

// Ignore in the box before the copies: the files met held later wait for
// the restart without asking again.
bool ignoredBeforeCopies = false;
// The files whose programs /CLOSEAPPLICATIONS has asked to close.
std::vector<std::string> askedToClose;

std::vector<std::string> heldOf(const std::vector<std::string>& files) {
    std::vector<std::string> held;
    for (const std::string& file : files)
        if (fileHeld(file))
            held.push_back(file);
    return held;
}

int askInUse(const std::string& text) {
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return showMessageBox(messageOwner(), text, "Install", MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON2);
}

}  // namespace

void askAboutFilesInUse(const std::vector<std::string>& files) {
    for (;;) {
        const std::vector<std::string> held = heldOf(files);
        if (held.empty())
            return;
        const std::string inUse = inUseText(programsHolding(held), held);
        logLine("files of the installation " + inUse);
        if (quietRun()) {
            if (runEnd.closeApplications)
                logLine(closeProgramsHolding(held) ? "asked the programs to close (/CLOSEAPPLICATIONS)"
                                                   : "failed: the programs could not be asked to close");
            return;
        }
        const int answer = askInUse("Files that this installation replaces are " + inUse +
                                    "\n\nClose the program, then choose Retry. Ignore goes on: the files in use "
                                    "are replaced when Windows restarts. Abort ends the installation.");
        if (answer == IDABORT)
            endRunEarly();
        if (answer != IDRETRY) {
            ignoredBeforeCopies = true;
            return;
        }
    }
}

HeldAnswer askAboutHeldFile(const std::string& path) {
    if (quietRun() && runEnd.closeApplications) {
        for (const std::string& asked : askedToClose)
            if (asked == path)
                return HeldAnswer::AtRestart;
        askedToClose.push_back(path);
        logLine("  " + path + " is in use: asking its programs to close (/CLOSEAPPLICATIONS)");
        closeProgramsHolding({path});
        return HeldAnswer::Retry;
    }
    if (quietRun() || ignoredBeforeCopies)
        return HeldAnswer::AtRestart;
    const std::string inUse = inUseText(programsHolding({path}), {});
    logLine("  " + path + " is " + inUse);
    const int answer = askInUse("Can't replace\n" + path + "\n\nIt is " + inUse + "." +
                                "\n\nClose the program, then choose Retry. Ignore installs the new file when "
                                "Windows restarts. Abort ends the installation.");
    if (answer == IDABORT)
        endRunEarly();
    return answer == IDRETRY ? HeldAnswer::Retry : HeldAnswer::AtRestart;
}

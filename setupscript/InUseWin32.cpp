#include "setupscript/InUseWin32.h"

#include "core/InUse.h"
#include "core/Log.h"
#include "core/win32/InUseWin32.h"
#include "core/win32/TextWin32.h"
#include "record/InstallRecord.h"
#include "run/EarlyEnd.h"
#include "run/MessageBoxes.h"
#include "run/RunEnd.h"

namespace {

// Ignore in the box before the copies: the copies onto held files then
// wait for the restart without asking again.
bool ignoredBeforeCopies = false;
// The destination whose programs /CLOSEAPPLICATIONS has asked to close.
std::string askedToClose;

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

bool scheduleReplacement(const std::string& source, const std::string& destination, bool existed) {
    std::string temporary;
    if (!replaceAtRestart(source, destination, temporary)) {
        logLine("  failed: " + destination + " is in use, and its replacement at the next restart cannot be "
                "scheduled: " + systemMessage(GetLastError()));
        return false;
    }
    noteWrittenFile(destination.c_str(), existed);
    noteWrittenFile(temporary.c_str(), false);
    runEnd.atRestart.push_back(destination);
    logLine("  in use: " + destination + "; " + temporary + " replaces it at the next restart");
    return true;
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

HeldCopy handleHeldCopy(const std::string& source, const std::string& destination, DWORD error, bool existed) {
    if (!isInUseError(error))
        return HeldCopy::NotHeld;
    if (quietRun() && runEnd.closeApplications && askedToClose != destination) {
        askedToClose = destination;
        logLine("  " + destination + " is in use: asking its programs to close (/CLOSEAPPLICATIONS)");
        closeProgramsHolding({destination});
        return HeldCopy::Retry;
    }
    if (!quietRun() && !ignoredBeforeCopies) {
        const std::string inUse = inUseText(programsHolding({destination}), {});
        logLine("  " + destination + " is " + inUse);
        const int answer = askInUse("Can't replace\n" + destination + "\n\nIt is " + inUse + "." +
                                    "\n\nClose the program, then choose Retry. Ignore installs the new file when "
                                    "Windows restarts. Abort ends the installation.");
        if (answer == IDABORT)
            endRunEarly();
        if (answer == IDRETRY)
            return HeldCopy::Retry;
    }
    return scheduleReplacement(source, destination, existed) ? HeldCopy::AtRestart : HeldCopy::NotHeld;
}

#include "setupscript/InUseWin32.h"

#include "core/Log.h"
#include "core/win32/InUseWin32.h"
#include "core/win32/TextWin32.h"
#include "record/InstallRecord.h"
#include "run/HeldFiles.h"
#include "run/Journaling.h"
#include "run/RunEnd.h"

namespace {

bool scheduleReplacement(const std::string& source, const std::string& destination, bool existed) {
    std::string temporary;
    // The temporary is journaled before it is made: a run undone removes
    // it, and the rename that waits for the restart then finds nothing.
    if (!replaceAtRestart(source, destination, temporary, [](const std::string& name) { journalFile(name); })) {
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

HeldCopy handleHeldCopy(const std::string& source, const std::string& destination, DWORD error, bool existed) {
    if (!isInUseError(error))
        return HeldCopy::NotHeld;
    if (askAboutHeldFile(destination) == HeldAnswer::Retry)
        return HeldCopy::Retry;
    return scheduleReplacement(source, destination, existed) ? HeldCopy::AtRestart : HeldCopy::NotHeld;
}

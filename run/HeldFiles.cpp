#include "run/HeldFiles.h"

#include "core/FileLayer.h"
#include "core/Log.h"
#include "record/InstallRecord.h"
#include "run/Journaling.h"
#include "run/RunEnd.h"

namespace {

// The new file under a free name beside the held one, moved onto it at the
// next restart.
bool waitForRestart(const char* root, const std::string& scratch, const std::string& relative,
                    std::string& waiting) {
    const std::string name = relative + ".new~";
    const std::string path = insidePath(root, name);
    if (!journalFile(path) || !systemReplaceAtRestart(root, scratch, relative, name))
        return false;
    const std::string held = insidePath(root, relative);
    runEnd.atRestart.push_back(held);
    noteWrittenFile(path.c_str(), false);
    logLine("  in use: " + held + "; " + path + " replaces it at the next restart");
    waiting = name;
    return true;
}

}  // namespace

bool replaceOrWait(const char* root, const std::string& scratch, const std::string& relative, std::string& waiting) {
    const std::string path = insidePath(root, relative);
    for (;;) {
        if (journalFile(path) && replaceInside(root, scratch, relative))
            return true;
        restoreEarlierFile(path);
        if (!systemFileHeld(root, relative))
            return false;
        const HeldAnswer answer = askAboutHeldFile(path);
        if (answer != HeldAnswer::Retry)
            return answer == HeldAnswer::AtRestart && waitForRestart(root, scratch, relative, waiting);
    }
}

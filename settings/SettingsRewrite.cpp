#include "settings/SettingsRewrite.h"

#include "record/InstallRecord.h"
#include "run/EarlyEnd.h"
#include "run/HeldFiles.h"
#include "run/Journaling.h"
#include "run/ScriptSettings.h"

namespace {

// The name under which this run's kelmo.ini waits for the next restart,
// when a program held the one in place; empty when none waits.
std::string waitingSettings;

}  // namespace

const char* settingsRoot() {
    return scriptSettings.targetDirSlash;
}

const char* settingsName() {
    return waitingSettings.empty() ? kSettingsName : waitingSettings.c_str();
}

[[noreturn]] void settingsFailure(const char* message) {
    fatalError(metLink() ? (std::string(message) + ": a link stands in its place").c_str() : message);
}

bool journalScratch() {
    return journalFile(insidePath(settingsRoot(), kScratchName));
}

// kelmo.ini is set aside by the journal the first time. One that a program
// holds is tried again when the user asks, or its new content waits beside
// it for the restart, and later rewrites replace that one.
bool replaceSettings() {
    if (!waitingSettings.empty())
        return replaceInside(settingsRoot(), kScratchName, waitingSettings.c_str());
    return replaceOrWait(settingsRoot(), kScratchName, kSettingsName, waitingSettings);
}

void beginRewrite(Rewrite& rewrite) {
    rewrite.in = openInside(settingsRoot(), settingsName(), "rt");
    if (!rewrite.in)
        settingsFailure("Can't open DICT.INI");
    if (!journalScratch() || !rewrite.out.open("wt"))
        settingsFailure("Can't open TMP.INI");
}

void rewriteFailed(Rewrite& rewrite, const char* message) {
    rewrite.in.reset();
    rewrite.out.discard();
    fatalError(message);
}

void writeOrFail(Rewrite& rewrite, const char* text) {
    if (!writeText(rewrite.out.get(), text))
        rewriteFailed(rewrite, "Can't write TMP.INI");
}

void readOrFail(Rewrite& rewrite, bool read) {
    if (!read)
        rewriteFailed(rewrite, "Can't read DICT.INI");
}

void commitRewrite(Rewrite& rewrite) {
    rewrite.in.reset();
    if (!rewrite.out.close())
        rewriteFailed(rewrite, "Can't write TMP.INI");
    if (!replaceSettings())
        rewriteFailed(rewrite, "Can't replace DICT.INI");
    rewrite.out.finish();
}

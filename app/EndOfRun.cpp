// The end of a run that ended before its time, in one place: the Start
// command and WinMain both end such a run here.
#include <string>
#include <vector>

#include "app/App.h"
#include "core/Log.h"
#include "core/win32/TextWin32.h"
#include "run/Journaling.h"
#include "run/MessageBoxes.h"

namespace {

constexpr std::size_t kNamedInWarning = 10;

// The warning of what stays: the first few named, the rest counted.
std::string notUndoneMessage(const std::vector<std::string>& left) {
    std::string text = "These changes of the installation could not be undone:\n";
    for (std::size_t i = 0; i < left.size() && i < kNamedInWarning; ++i)
        text += "\n" + left[i];
    if (left.size() > kNamedInWarning)
        text += "\n... and " + std::to_string(left.size() - kNamedInWarning) + " more";
    return text;
}

}  // namespace

void takeBackRun() {
    std::vector<std::string> left;
    rollBackJournal(left);
    if (left.empty())
        return;
    const std::string text = notUndoneMessage(left);
    logLine("warning: " + text);
    if (!quietRun())
        showMessageBox(messageOwner(), text, "Install", MB_OK | MB_ICONWARNING);
}

// The box is shown after the run is undone, so that a box left open (or
// closed by other means than OK) leaves nothing of the run behind.
int finishEarlyEnd(const EarlyEnd& end) {
    std::vector<std::string> left;
    rollBackJournal(left);
    if (!end.message.empty()) {
        logLine("error: " + end.message);
        showErrorBox(end.message.c_str());
    }
    if (!left.empty()) {
        const std::string text = notUndoneMessage(left);
        logLine("warning: " + text);
        if (!quietRun())
            showMessageBox(messageOwner(), text, "Install", MB_OK | MB_ICONWARNING);
    }
    return end.exitCode;
}

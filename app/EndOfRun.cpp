// The end of a run that ended before its time, in one place: the Start
// command and WinMain both end such a run here.
#include "app/App.h"
#include "core/Log.h"
#include "run/MessageBoxes.h"

// What the Start sequence did so far is written to the install record
// first, so that it can be taken back, also when the box is closed by other
// means than OK; a failure to write it changes nothing of the run's end.
int finishEarlyEnd(const EarlyEnd& end) {
    if (installRecordPending())
        completeInstallRecord();
    if (!end.message.empty()) {
        logLine("error: " + end.message);
        showErrorBox(end.message.c_str());
    }
    return end.exitCode;
}

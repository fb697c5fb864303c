// Program entry of uninstall.exe. Started without arguments it is the copy
// in the target directory: it reads the record, asks, and hands over to a
// copy in the temporary folder. Started as "/continue HANDLE TARGET" it is
// that copy, and does the removal.
#include <cstdlib>
#include <cstring>

#include "base/RecordWin32.h"
#include "uninstall/Uninstall.h"

namespace {

// The folder that holds this program: the target directory.
std::string ownFolder() {
    const std::string path = ownPath();
    if (path.empty())
        return {};
    std::size_t slash = path.find_last_of('\\');
    return longFolderName(slash == std::string::npos ? path : path.substr(0, slash));
}

// The record beside the program, or a box that says why it is refused.
bool readRecord(const std::string& target, InstallRecord& record) {
    std::string detail;
    const RecordFault fault =
        readInstallRecord(pathIn(target, kRecordName).c_str(), recordRootsFor(target), record, detail);
    if (fault == RecordFault::None)
        return true;
    showRefusal(recordFaultMessage(fault, detail));
    return false;
}

int finish(const std::string& target, const InstallRecord& record, bool ownExeRemains) {
    const RemovalOutcome outcome = removeInstallation(target, record, ownExeRemains);
    showClosing(record.title, target, outcome);
    return outcome.skipped.empty() ? kExitDone : kExitIncomplete;
}

int startUninstall() {
    const std::string target = ownFolder();
    InstallRecord record;
    if (!readRecord(target, record))
        return kExitRefused;
    if (!confirmUninstall(record.title, target))
        return kExitDone;
    if (continueFromTempCopy(target))
        return kExitDone;
    return finish(target, record, true);
}

// The record is read again: it may have changed since the question.
int continueUninstall(const char* starter, const char* target) {
    waitForStarter(starter);
    InstallRecord record;
    const int code = readRecord(target, record) ? finish(target, record, false) : kExitRefused;
    removeSelfAtRestart();
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc == 4 && std::strcmp(__argv[1], "/continue") == 0)
        return continueUninstall(__argv[2], __argv[3]);
    return startUninstall();
}

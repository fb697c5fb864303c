// Program entry of uninstall.exe. Started without arguments it is the copy
// in the folder of its record: it reads the record, asks, and hands over to
// a copy in a fresh temporary folder. Started as "/continue HANDLE FOLDER"
// by that first process it is the copy, and does the removal; started so
// by anyone else, it removes nothing.
#include <cstdlib>
#include <cstring>

#include "base/PathText.h"
#include "base/DllSearch.h"
#include "base/RecordWin32.h"
#include "uninstall/Uninstall.h"

namespace {

// The folder that holds this program.
std::string ownFolder() {
    const std::string path = ownPath();
    if (path.empty())
        return {};
    std::size_t slash = path.find_last_of('\\');
    return longFolderName(slash == std::string::npos ? path : path.substr(0, slash));
}

std::string lastName(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The record in folder, or a box that says why it is refused. A folder of
// the protected records names its installation by its key; any other
// folder holding a record is the target directory itself.
bool readRecord(const std::string& folder, InstallRecord& record) {
    const std::size_t slash = folder.find_last_of('\\');
    const bool isProtected =
        slash != std::string::npos && _stricmp(lastName(folder.substr(0, slash)).c_str(), kProtectedRecordsFolder) == 0;
    RecordRoots roots = recordRootsFor(isProtected ? std::string() : folder);
    if (isProtected)
        roots.keyName = lastName(folder);
    std::string detail;
    const RecordFault fault = readInstallRecord(joinPath(folder, kRecordName).c_str(), roots, record, detail);
    if (fault == RecordFault::None) {
        record.target = normalRecordPath(record.target, "");
        return true;
    }
    showRefusal(recordFaultMessage(fault, detail));
    return false;
}

int finish(const std::string& folder, const InstallRecord& record, bool ownExeRemains) {
    const RemovalOutcome outcome = removeInstallation(folder, record, ownExeRemains);
    showClosing(record.title, record.target, outcome);
    return outcome.incomplete() ? kExitIncomplete : kExitDone;
}

int startUninstall() {
    const std::string folder = ownFolder();
    InstallRecord record;
    if (!readRecord(folder, record))
        return kExitRefused;
    if (!confirmUninstall(record.title, record.target))
        return kExitDone;
    if (continueFromTempCopy(folder))
        return kExitDone;
    return finish(folder, record, true);
}

// The record is read again: it may have changed since the question.
int continueUninstall(const char* starter, const char* folder) {
    if (!startedByAskingUninstaller(starter)) {
        showRefusal("This copy of the uninstaller was not started by the uninstaller that asks whether to "
                    "remove the dictionary. Nothing was removed. To uninstall, choose the dictionary in Apps & "
                    "Features.");
        return kExitRefused;
    }
    waitForStarter(starter);
    InstallRecord record;
    const int code = readRecord(longFolderName(folder), record) ? finish(longFolderName(folder), record, false)
                                                                : kExitRefused;
    removeSelfAtRestart();
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    restrictDllSearchToSystem();
    if (__argc == 4 && std::strcmp(__argv[1], "/continue") == 0)
        return continueUninstall(__argv[2], __argv[3]);
    return startUninstall();
}

// Program entry of uninstall.exe. Started from the folder of its record
// (with /S: silently) it reads the record, asks, hands over to a copy in a
// fresh temporary folder and waits for it. Started as "/continue HANDLES
// FOLDER" by that first process it is the copy, and does the removal;
// started so by anyone else, it removes nothing.
#include <cstdlib>
#include <cstring>

#include "core/PathText.h"
#include "ProductVersion.h"
#include "core/CommandLine.h"
#include "uninstall/UninstallOptions.h"
#include "core/DllSearch.h"
#include "core/Log.h"
#include "core/win32/LogWin32.h"
#include "record/RecordWin32.h"
#include "core/win32/TextWin32.h"
#include "uninstall/Uninstall.h"

namespace {

constexpr const char* kDefaultLogName = "dictionary-uninstall.log";

// The folder that holds this program.
std::string ownFolder() {
    const std::string path = ownProgramPath();
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
bool readRecord(const std::string& folder, InstallRecord& record, bool silent) {
    const std::size_t slash = folder.find_last_of('\\');
    const bool isProtected =
        slash != std::string::npos && _stricmp(lastName(folder.substr(0, slash)).c_str(), kProtectedRecordsFolder) == 0;
    recoverLaterRun(folder, isProtected, silent);
    RecordRoots roots = recordRootsFor(isProtected ? std::string() : folder);
    if (isProtected)
        roots.keyName = lastName(folder);
    std::string detail;
    const RecordFault fault = readInstallRecord(currentRecordIn(folder).c_str(), roots, record, detail);
    if (fault == RecordFault::None) {
        record.target = normalRecordPath(record.target, "");
        return true;
    }
    showRefusal(recordFaultMessage(fault, detail));
    return false;
}

// The removal without a copy (none could be made): the program's own file
// goes at the next restart.
int removeInPlace(const std::string& folder, const InstallRecord& record) {
    RemovalOutcome outcome = removeInstallation(folder, record);
    settleRemoval(folder, record, outcome);
    if (ownFilesGoNow(outcome))
        removeOwnFiles(folder, record, true, outcome);
    showClosing(record.title, record.target, outcome);
    return exitCodeOf(outcome);
}

// The options the copy gets from this process: the silent mode and the log.
std::string handedOnOptions(const UninstallOptions& options) {
    std::string text = options.silent ? " /S" : "";
    if (options.closeApplications)
        text += " /CLOSEAPPLICATIONS";
    if (options.log)
        text += options.logPath.empty() ? " /LOG" : " \"/LOG=" + options.logPath + "\"";
    return text;
}

// Ends only when the removal has, with its exit code, whichever process
// does it.
int startUninstall(const UninstallOptions& options) {
    const std::string folder = ownFolder();
    InstallRecord record;
    if (!readRecord(folder, record, options.silent))
        return kExitRefused;
    if (!options.silent && !confirmUninstall(record.title, record.target))
        return kExitDone;
    const int code = removeThroughTempCopy(folder, handedOnOptions(options));
    return code >= 0 ? code : removeInPlace(folder, record);
}

// The record is read again: it may have changed since the question. The
// exit code goes to the process that asked as soon as the removal is done;
// then, once that process has ended, its program file and folder go too.
int continueUninstall(const UninstallOptions& options) {
    if (!startedByAskingUninstaller(options.handles)) {
        showRefusal("This copy of the uninstaller was not started by the uninstaller that asks whether to "
                    "remove the dictionary. Nothing was removed. To uninstall, choose the dictionary in Apps & "
                    "Features.");
        return kExitRefused;
    }
    const std::string folder = longFolderName(options.folder);
    InstallRecord record;
    if (!readRecord(folder, record, options.silent)) {
        reportToStarter(options.handles, kExitRefused);
        return kExitRefused;
    }
    RemovalOutcome outcome = removeInstallation(folder, record);
    settleRemoval(folder, record, outcome);
    showClosing(record.title, record.target, outcome);
    const int code = exitCodeOf(outcome);
    reportToStarter(options.handles, code);
    RemovalOutcome late;
    if (ownFilesGoNow(outcome))
        removeOwnFiles(folder, record, false, late);
    for (const std::string& left : late.skipped)
        logLine("could not remove " + left);
    removeSelfAtRestart();
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    restrictDllSearchToSystem();
    const UninstallOptions options = parseUninstallOptions(splitCommandLine(commandLineArguments()));
    setSilent(options.silent);
    setCloseApplications(options.closeApplications);
    if (options.log)
        openLogFile(options.logPath, kDefaultLogName);
    logLine("uninstall.exe " PRODUCT_VERSION_TEXT ", options:" + commandLineArguments());
    if (!options.error.empty()) {
        showRefusal("The option " + options.error + ". The uninstaller takes /S (no question, no box), "
                    "/CLOSEAPPLICATIONS and /LOG=\"file\". Nothing was removed.");
        return ERROR_INVALID_PARAMETER;
    }
    const int code = options.isContinuation ? continueUninstall(options) : startUninstall(options);
    logLine("exit code " + std::to_string(code));
    return code;
}

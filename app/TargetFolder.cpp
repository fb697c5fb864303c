// The target directory's check at Start: its full, normal spelling, the
// folders it may not be, and, elevated, whether only administrators can
// change it (or its making, protected, when it is not there).
#include <windows.h>

#include <string>

#include "app/App.h"
#include "core/CodePage.h"
#include "core/Log.h"
#include "core/Utf8Text.h"
#include "core/win32/FolderAccessWin32.h"
#include "core/win32/TextWin32.h"
#include "record/RecordWin32.h"
#include "record/InstallRecord.h"
#include "run/EarlyEnd.h"
#include "run/Journaling.h"
#include "run/MessageBoxes.h"
#include "run/ScriptSettings.h"
#include "setupscript/SetupScript.h"

namespace {

// The full path (a relative name is taken against the current directory,
// the folder the chooser entered last), in the one spelling the system's
// folders are compared in: no "\\?\", no 8.3 names, no trailing dots or
// spaces, no "..".
std::string normalTarget(const std::string& typed) {
    std::string full = fullPathOf(typed);
    if (full.compare(0, 4, "\\\\.\\") == 0)
        full = "\\\\?\\" + full.substr(4);
    return longFolderName(pathFromFinalName(full));
}

// A folder of the system itself (the Windows folder, a Program Files
// folder, a profile, a Programs folder) is refused as a whole: installed
// into, its uninstall would judge the system's files as the dictionary's.
// A folder inside one of them is a target like any other.
std::string systemFolderRefusal(const std::string& folder) {
    const std::string reason = refusedTargetReason(folder, systemFolders());
    if (reason.empty())
        return {};
    return folder + " is " + reason + ". Choose or type a folder of the dictionary's own.";
}

// The temporary folder is every program's to change and to empty, and the
// setup file's unpacked folder goes when the run ends.
std::string passingFolderRefusal(const std::string& folder) {
    const std::string temp = tempFolder();
    if (!temp.empty() && pathWithin(folder, longFolderName(temp), true))
        return folder + " is in the temporary folder, which other programs may empty. Choose a folder of the "
                        "dictionary's own.";
    const std::string& unpacked = unpackedSetupFolder;
    if (!unpacked.empty() && pathWithin(folder, longFolderName(unpacked), true))
        return folder + " is in the setup file's own folder, which is removed when it ends. Choose a folder of "
                        "the dictionary's own.";
    return {};
}

// The dictionary program, an 8-bit program, reads its folder from win.ini
// and its settings through the system's ANSI code page: a target it could
// not name, or a win.ini setting the code page cannot hold, is refused
// before anything is written.
bool refuseUnwritableText(const char* target) {
    const std::string inTarget = targetNameProblem(target);
    const std::string inSetting = inTarget.empty() ? unwritableSetting() : std::string();
    if (inTarget.empty() && inSetting.empty())
        return false;
    const std::string text =
        inTarget.empty()
            ? "Invalid Setting\n\nA win.ini setting of the setup script holds \"" + inSetting +
                  "\", which the system's code page cannot write; the dictionary program could not read it. "
                  "Nothing was installed."
            : "Invalid Directory\n\n" + std::string(target) + " holds \"" + inTarget +
                  "\", which the system's code page cannot write; the dictionary program could not open its "
                  "folder. Choose a folder whose name has no such character.";
    showInvalidDirectory(text);
    return true;
}

// The folder there, trusted; or made now (protected when elevated).
bool targetUsable(const std::string& folder) {
    const DWORD attributes = GetFileAttributesW(toWide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // The journal begins with the target folder, spelled as the folder
        // that holds it is spelled.
        const std::size_t slash = folder.find_last_of('\\');
        const std::string holder = folder.substr(0, slash == 2 ? 3 : slash);
        beginJournal(slash == std::string::npos ? folder : joinPath(longFolderName(holder), folder.substr(slash + 1)));
        journalFolder(folder);
        if (!makeInstallFolder(folder)) {
            takeBackRun();
            showInvalidDirectory("Invalid Directory");
            return false;
        }
        installNotes.targetCreated = 1;
        return true;
    }
    // An existing file is taken as it always was: nothing can be written
    // into it, and every step then fails on its own.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    const FolderTrust trust = installFolderTrust(folder);
    if (trust == FolderTrust::Trusted)
        return true;
    showInvalidDirectory("Invalid Directory\n\n" + folderRefusal(trust, folder));
    return false;
}

}  // namespace

void showInvalidDirectory(const std::string& text) {
    if (quietRun()) {
        logLine("error: " + text + " (" + scriptSettings.targetDir + ")");
        endRunEarly();
    }
    showMessageBox(windowHandles.mainWindow, text, "Error", MB_OK | MB_ICONERROR);
}

// A text longer than a path is refused, never cut to a shorter path that
// might name some other folder.
bool acceptTargetDir() {
    const std::string typed = windowText(windowHandles.editBox);
    const std::string folder = typed.empty() ? std::string() : normalTarget(typed);
    if (folder.empty() || utf16Length(folder) >= kPathCapacity || !copyText(scriptSettings.targetDir, folder.c_str())) {
        copyText(scriptSettings.targetDir, typed.c_str());
        showInvalidDirectory("Invalid Directory");
        return false;
    }
    std::string refusal = systemFolderRefusal(folder);
    if (refusal.empty())
        refusal = passingFolderRefusal(folder);
    if (!refusal.empty()) {
        showInvalidDirectory("Invalid Directory\n\n" + refusal);
        return false;
    }
    if (refuseUnwritableText(scriptSettings.targetDir) || !targetUsable(folder))
        return false;
    logLine(std::string("target folder ") + scriptSettings.targetDir);
    return true;
}

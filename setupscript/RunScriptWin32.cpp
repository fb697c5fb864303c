// The execution pass over install.inf: directories, copies and win.ini
// settings, and the flags for the later steps of the Start sequence.
// A copy whose source is absent is passed over silently (one script may
// serve several editions of a medium). A copy that fails otherwise asks the
// user to abort, retry or ignore; a folder, a setting or a path that cannot
// be used is counted for the closing warning; the pass goes on.
#include <windows.h>

#include <string>
#include <vector>

#include "core/PathText.h"
#include "record/InstallRecord.h"
#include "run/ScriptSettings.h"
#include "run/FailedSteps.h"
#include "core/Log.h"
#include "run/EarlyEnd.h"
#include "run/Journaling.h"
#include "run/MessageBoxes.h"
#include "record/RecordWin32.h"
#include "core/win32/FolderAccessWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "core/win32/NoLinkFileWin32.h"
#include "core/Collation.h"
#include "setupscript/InUseWin32.h"
#include "setupscript/ScriptPlan.h"
#include "setupscript/ScriptWin32.h"
#include "setupscript/SetupScript.h"

namespace {

bool foldersTrusted(const std::string& destination, const std::string& what);
// The program's display of a copy's destination, for the run of the script.
void (*stepText)(const char* text) = nullptr;

constexpr DWORD kCopyChunk = 64 * 1024;
// The attributes a copy takes from its source. A copy from a CD carries the
// read-only attribute: it is left out, so that a later installation can
// replace the file and language.cf can be deleted after use.
constexpr DWORD kCopiedAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The text of a failure for a box or the log; a link in the way is named
// as such.
std::string failureText(DWORD error) {
    if (error == ERROR_STOPPED_ON_SYMLINK)
        return "A link (junction or symbolic link) stands where a folder or file of the installation should be; "
               "nothing was written through it.";
    return systemMessage(error);
}

// The bytes, the time of last writing and the attributes but the read-only
// one, as a copy takes them.
DWORD writeCopy(HANDLE from, HANDLE to, const FILE_BASIC_INFO& source) {
    if (!SetEndOfFile(to))
        return GetLastError();
    std::vector<char> buffer(kCopyChunk);
    for (;;) {
        DWORD got = 0, put = 0;
        if (!ReadFile(from, buffer.data(), kCopyChunk, &got, nullptr))
            return GetLastError();
        if (got == 0)
            break;
        if (!WriteFile(to, buffer.data(), got, &put, nullptr))
            return GetLastError();
        if (put != got)
            return ERROR_WRITE_FAULT;
    }
    FILE_BASIC_INFO stamp{};
    stamp.LastWriteTime = source.LastWriteTime;
    stamp.FileAttributes = source.FileAttributes & kCopiedAttributes;
    if (stamp.FileAttributes == 0)
        stamp.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(to, FileBasicInfo, &stamp, sizeof stamp);
    return 0;
}

// One attempt: 0 when the file was copied, else the system's error. The
// destination, named relative to the target, is reached without following
// a link (ERROR_STOPPED_ON_SYMLINK when one is in its way), opened without
// being emptied and judged through its handle: a read-only destination is
// refused as Windows refuses it, since not every platform does (Wine run by
// root writes through it). A copy that fails on the way is deleted.
DWORD copyOnce(const std::string& source, const std::string& relative) {
    FileHandle from(CreateFileW(toWide(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILE_BASIC_INFO basic{};
    if (!from || !GetFileInformationByHandleEx(from.get(), FileBasicInfo, &basic, sizeof basic))
        return GetLastError();
    // The journal first; a file there is set aside, so that its earlier
    // bytes can be put back. One that cannot be is held by a program.
    if (!journalFile(std::string(scriptSettings.targetDirSlash) + relative))
        return ERROR_SHARING_VIOLATION;
    const InsideWalk walk(scriptSettings.targetDirSlash, relative);
    const ReachedItem to = walk.open(GENERIC_WRITE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE,
                                     FILE_SHARE_READ, OPEN_ALWAYS);
    if (to.outcome != Reach::Reached)
        return reachError(to.outcome, to.error);
    if (to.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_ACCESS_DENIED;
    const DWORD error = writeCopy(from.get(), to.handle.get(), basic);
    if (error != 0)
        deleteThroughHandle(to.handle.get());
    return error;
}

// A destination the plan formed from targetDirSlash, relative to it again.
std::string underTarget(const std::string& destination) {
    const std::string target = scriptSettings.targetDirSlash;
    return destination.compare(0, target.size(), target) == 0 ? destination.substr(target.size()) : std::string();
}

// Only an absent source (isNotThere) is passed over silently, which one
// script serving several editions of a medium expects. Any other failure
// (a drive not ready, access denied, a name Windows refuses, a sharing
// violation) is one the user hears of.

// The box of a failed copy or listing, owned by the main window. Abort ends
// the run as a fatal error does (exit code 1, every change of the run
// taken back); returns true for Retry, false for Ignore.
bool askRetry(const std::string& text, DWORD error) {
    std::string flat = text + ": " + failureText(error);
    for (char& c : flat)
        c = c == '\n' ? ' ' : c;
    if (quietRun()) {
        logLine("  failed: " + flat + "; passed over");
        return false;
    }
    logLine("  failed: " + flat);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    int answer = showMessageBox(messageOwner(), text + "\n\n" + failureText(error), "Error",
                             MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_DEFBUTTON2);
    if (answer == IDABORT)
        endRunEarly();
    return answer == IDRETRY;
}

bool askRetryCopy(const std::string& source, const std::string& destination, DWORD error) {
    return askRetry("Can't copy\n" + fullPathOf(source) + "\nto\n" + destination, error);
}

// Shows the destination in the edit box, brings the window up to date and
// copies over an existing file. A path that does not fit a path buffer is
// not used (nor shown) and is counted; an absent source is passed over.
void copyShown(const std::string& source, const std::string& destination) {
    if (!fitsPath(source) || !fitsPath(destination)) {
        countFailedStep("Copy to " + destination + " (path too long)");
        logLine("  failed: the path of " + destination + " is too long");
        return;
    }
    if (!foldersTrusted(destination, "Copy to " + destination))
        return;
    stepText(destination.c_str());
    const bool existed = GetFileAttributesW(toWide(destination).c_str()) != INVALID_FILE_ATTRIBUTES;
    for (;;) {
        const DWORD error = copyOnce(source, underTarget(destination));
        if (error == 0) {
            noteWrittenFile(destination.c_str(), existed);
            logLine("  copied " + fullPathOf(source) + " to " + destination);
            return;
        }
        if (GetFileAttributesW(toWide(source).c_str()) == INVALID_FILE_ATTRIBUTES && isNotThere(GetLastError())) {
            logLine("  absent source " + fullPathOf(source) + ": passed over");
            return;
        }
        // Files in use (setupscript/InUseWin32.cpp): retried, or replaced at the next restart.
        const HeldCopy held = handleHeldCopy(source, destination, error, existed);
        if (held == HeldCopy::Retry)
            continue;
        if (held == HeldCopy::AtRestart)
            return;
        if (!askRetryCopy(source, destination, error))
            break;
    }
    restoreEarlierFile(destination);
    countFailedStep("Copy to " + destination);
}

// Every non-directory entry that matches the pattern (a full path in the
// source) is copied to targetDirSlash + destination + "\" + name, each from
// the directory the pattern names.
// A listing that fails other than at its end, or than for an absent source,
// gets the box; Retry lists again from the start, Ignore passes over the
// rest of the listing.
void copyMatches(const std::string& pattern, const std::string& destination) {
    const std::string from = patternFolder(pattern);
    for (;;) {
        ScopedFind search(pattern);
        if (!search.found() && isNotThere(search.error()))
            return;
        if (search.found()) {
            do {
                if (!folderCopyTakes(search.isFolder()))
                    continue;
                const std::string name = search.name();
                copyShown(from + name, folderCopyDestination(scriptSettings.targetDirSlash, destination, name));
            } while (search.next());
            if (search.error() == ERROR_NO_MORE_FILES)
                return;
        }
        if (!askRetry("Can't list\n" + fullPathOf(pattern), search.error()))
            break;
    }
    countFailedStep("Copy of " + fullPathOf(pattern));
}

// Whether sndcopy's folder is there to be listed; false (after the box,
// when the name is there but is no folder it can list and the user does not
// retry) when it is not.
bool copiedFolderThere(const std::string& folder) {
    for (;;) {
        const DWORD attributes = GetFileAttributesW(toWide(folder).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
        const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
        if (isNotThere(error))
            return false;
        if (!askRetry("Can't list\n" + fullPathOf(folder), error)) {
            countFailedStep("Copy of " + fullPathOf(folder));
            return false;
        }
    }
}

// What the key held before and what it holds once written are noted, for
// the uninstaller to put the first back while the second still stands. A
// write that failed changed nothing and is not noted.
void writeDictionarySetting(const char* key, const char* value) {
    bool sectionExists = false;
    bool had = false;
    for (const std::string& existing : dictionaryKeys(sectionExists))
        had = had || foldEquals(existing.c_str(), key);
    const std::string previous = had ? dictionaryValue(key) : "";
    if (!sectionExists)
        journalIniSection();
    journalIniKey(key, had, previous);
    if (!writeDictionaryValue(key, value)) {
        countFailedStep(std::string("Setting ") + key + " in win.ini");
        logLine(std::string("  failed: win.ini [") + kSettingsSection + "] " + key);
        return;
    }
    logLine(std::string("  set win.ini [") + kSettingsSection + "] " + key + "=" + value);
    if (!sectionExists)
        noteIniSectionCreated();
    noteIniKey(key, had, previous.c_str(), dictionaryValue(key).c_str());
}

// Elevated, each folder between the target and a destination that this
// run did not make is checked before the first write into it; one that
// other users can change is a failed step (counted as what), and nothing
// is written into it.
bool foldersTrusted(const std::string& name, const std::string& what) {
    const std::string destination = fullPathOf(name);
    const std::string target = scriptSettings.targetDirSlash;
    if (destination.compare(0, target.size(), target) != 0)
        return true;
    for (std::size_t slash = destination.find('\\', target.size()); slash != std::string::npos;
         slash = destination.find('\\', slash + 1)) {
        const std::string folder = destination.substr(0, slash);
        const FolderTrust trust = installFolderTrust(folder);
        if (trust != FolderTrust::Trusted) {
            countFailedStep(what + " (" + folderTrustReason(trust) + ")");
            logLine("  failed: " + folderRefusal(trust, folder));
            return false;
        }
    }
    return true;
}

// One folder level, named relative to the target, protected when elevated;
// one that exists already is fine when it may be written into, one that a
// link takes the place of (or that lies behind one) is a failed step. One
// this run made is noted for the uninstaller.
void makeFolder(const std::string& relative) {
    const std::string path = std::string(scriptSettings.targetDirSlash) + relative;
    if (!fitsPath(path)) {
        countFailedStep("Folder " + path + " (path too long)");
        return;
    }
    const InsideWalk walk(scriptSettings.targetDirSlash, relative);
    DWORD error = reachError(walk.outcome(), walk.error());
    if (error == 0 && GetFileAttributesW(toWide(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        journalFolder(path);
    if (error == 0 && makeInstallFolder(path)) {
        noteCreatedDirectory(path.c_str());
        logLine("  made folder " + path);
        return;
    }
    if (error == 0) {
        error = GetLastError();
        const ReachedItem there = walk.open(FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
        if (there.outcome == Reach::Reached && (there.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (foldersTrusted(path + "\\", "Folder " + path))
                logLine("  folder " + path + " is there");
            return;
        }
        if (there.outcome == Reach::Link)
            error = ERROR_STOPPED_ON_SYMLINK;
    }
    countFailedStep("Folder " + path);
    logLine("  failed: folder " + path + ": " + failureText(error));
}

// A destination that would leave the target (a "..", a drive, an absolute
// path, a stream or a device) is a failed step and never carried out: a
// setup script writes only into the folder it installs into.
bool staysInTarget(const char* keyword, const std::string& destination) {
    const NameLeaves leaves = nameLeaves(destination);
    if (leaves == NameLeaves::No)
        return true;
    countFailedStep(std::string(keyword) + " " + destination + " (outside the target)");
    logLine(std::string("  failed: ") + keyword + " " + destination + " " + nameLeavesText(leaves) +
            ": not carried out, it would leave the target");
    return false;
}

void executeLine(const char* line, const std::string& sourceSlash) {
    const char* argument = keywordArgument(line);
    const ScriptKeyword keyword = executionKeyword(line);
    std::string first, second;
    switch (keyword) {
    case ScriptKeyword::None:
        return;
    case ScriptKeyword::MkWList:
        scriptSettings.wantWordLists = 1;
        return;
    case ScriptKeyword::Copy:
        if (splitOperands(line, first, second) && staysInTarget("Copy to", second))
            copyShown(sourceSlash + first, singleCopyDestination(scriptSettings.targetDirSlash, second));
        return;
    case ScriptKeyword::XCopy:
        if (splitOperands(line, first, second) && staysInTarget("Copy to", second))
            copyMatches(resolvedAgainst(sourceSlash, first), second);
        return;
    case ScriptKeyword::SndCopy:
        // A subdirectory that cannot be listed copies nothing.
        if (splitOperands(line, first, second) && staysInTarget("Copy to", second)) {
            const std::string folder = resolvedAgainst(sourceSlash, first);
            if (copiedFolderThere(folder))
                copyMatches(joinPath(folder, kFolderCopyPattern), second);
        }
        return;
    default:
        break;
    }

    // The remaining keywords take an argument; a line without one is ignored.
    if (!argument)
        return;
    switch (keyword) {
    case ScriptKeyword::Mkdir: {
        if (staysInTarget("Folder", argument))
            makeFolder(argument);
        return;
    }
    case ScriptKeyword::IconName:
        scriptSettings.wantShortcut = 1;
        copyText(scriptSettings.iconName, argument);
        return;
    case ScriptKeyword::AviDelay:
        writeDictionarySetting(kAviDelayKey, argument);
        return;
    case ScriptKeyword::SetIni:
        if (splitKeyValue(argument, first, second))
            writeDictionarySetting(first.c_str(), second.c_str());
        return;
    case ScriptKeyword::IconGroup:
        copyText(scriptSettings.iconGroup, argument);
        return;
    case ScriptKeyword::IconExe:
        copyText(scriptSettings.iconExe, argument);
        return;
    case ScriptKeyword::Display:
        copyText(scriptSettings.displayFile, argument);
        return;
    default:
        return;
    }
}

}  // namespace

void runSetupScript(void (*showStepText)(const char* text)) {
    stepText = showStepText;
    const std::string sourceSlash = withBackslash(scriptSettings.sourceDir);
    // targetDirSlash holds targetDir and one character more, so a target of
    // the greatest length keeps its backslash (every name behind it then
    // makes a path too long to use) instead of becoming empty, which would
    // send the copies into the current directory.
    copyText(scriptSettings.targetDirSlash, withBackslash(scriptSettings.targetDir).c_str());
    readSetupScript([&](const char* line) {
        if (executionKeyword(line) != ScriptKeyword::None)
            logLine(std::string("script: ") + line);
        executeLine(line, sourceSlash);
    });
}

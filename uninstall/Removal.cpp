// The removal itself: recorded files (Retry or Skip for each one that
// cannot go), win.ini keys put back, the Apps & Features entry, the
// uninstaller's own files, then the recorded folders that are empty,
// deepest first. The record goes only after the program file, so that an
// interrupted run can be started again and finish the job.
#include "uninstall/Uninstall.h"

#include "base/Collation.h"
#include "base/RecordWin32.h"
#include "base/Win32Handles.h"

namespace {

bool isGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::string reasonFor(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "another program is using it";
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    default:
        return "Windows error " + std::to_string(error);
    }
}

// One try; empty when the file is gone (or never was), else why not. A
// read-only file is never forced: not every platform's delete refuses it,
// as Windows does.
std::string tryRemove(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return isGone(GetLastError()) ? std::string() : reasonFor(GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "a folder now has its name";
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return "it is read-only";
    if (!DeleteFileA(path.c_str()))
        return reasonFor(GetLastError());
    // A file that another program holds open may only be marked for removal.
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES || !isGone(GetLastError()))
        return "another program is using it";
    return {};
}

// Retry as often as the user asks; a skipped file is listed.
bool removeFile(const std::string& path, RemovalOutcome& outcome) {
    for (;;) {
        const std::string reason = tryRemove(path);
        if (reason.empty())
            return true;
        if (!retryRemoval(path, reason)) {
            outcome.skipped.push_back(path);
            return false;
        }
    }
}

// Each key gets its earlier value back, or goes when it had none; a
// section the installation made goes when nothing is left in it.
void restoreIniKeys(const InstallRecord& record) {
    for (const IniKeyChange& change : record.iniKeys)
        WritePrivateProfileStringA(kRecordSection, change.key.c_str(),
                                   change.hadValue ? change.previous.c_str() : nullptr, "win.ini");
    bool sectionExists = false;
    if (record.createdIniSection && dictionaryKeys(sectionExists).empty() && sectionExists)
        WritePrivateProfileStringA(kRecordSection, nullptr, nullptr, "win.ini");
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "win.ini");
}

// The program file (or, while it runs from there, a removal at the next
// restart), then the record, which goes only when the program has.
void removeOwnFiles(const std::string& target, bool ownExeRemains, RemovalOutcome& outcome) {
    const std::string exe = pathIn(target, kUninstallerName);
    if (ownExeRemains) {
        if (!MoveFileExA(exe.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
            outcome.skipped.push_back(exe);
    } else if (!removeFile(exe, outcome)) {
        return;
    }
    removeFile(pathIn(target, kRecordName), outcome);
}

bool listedFolded(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& entry : list)
        if (foldEquals(entry.c_str(), item.c_str()))
            return true;
    return false;
}

// What is in a kept folder that explains why it was kept: neither a kept
// folder of its own nor a file already listed as skipped.
void listLeftEntries(const std::string& folder, RemovalOutcome& outcome) {
    WIN32_FIND_DATAA entry;
    ScopedFind search(pathIn(folder, "*").c_str(), entry);
    if (!search.found())
        return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string full = pathIn(folder, name);
        if (listedFolded(outcome.keptFolders, full) || listedFolded(outcome.skipped, full))
            continue;
        outcome.left.push_back(full + ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "\\" : ""));
    } while (search.next(entry));
}

void removeFolders(const InstallRecord& record, RemovalOutcome& outcome) {
    for (const std::string& folder : deepestFirst(record.directories)) {
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES && isGone(GetLastError()))
            continue;
        if (!RemoveDirectoryA(folder.c_str()))
            outcome.keptFolders.push_back(folder);
    }
    for (const std::string& folder : outcome.keptFolders)
        listLeftEntries(folder, outcome);
}

}  // namespace

RemovalOutcome removeInstallation(const std::string& target, const InstallRecord& record, bool ownExeRemains) {
    RemovalOutcome outcome;
    for (const std::string& file : record.files)
        removeFile(file, outcome);
    restoreIniKeys(record);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        deleteUninstallEntry(root, target);
    removeOwnFiles(target, ownExeRemains, outcome);
    removeFolders(record, outcome);
    return outcome;
}

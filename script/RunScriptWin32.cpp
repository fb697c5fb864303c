// The execution pass over install.inf: directories, copies and win.ini
// settings, and the flags for the later steps of the Start sequence.
// Failures inside a step are silent and end only that step.
#include <windows.h>

#include <direct.h>

#include <string>
#include <vector>

#include "base/InstallState.h"
#include "base/Win32Handles.h"
#include "script/ScriptWin32.h"
#include "script/SetupScript.h"

namespace {

// A formed path that would not fit a path buffer is not used at all.
bool fitsPath(const std::string& path) {
    return path.size() < kPathCapacity;
}

// Puts the current directory back when the line is done.
class SavedDirectory {
public:
    SavedDirectory() : saved_(currentDirectory()) {}
    ~SavedDirectory() {
        if (!saved_.empty())
            SetCurrentDirectoryA(saved_.c_str());
    }
    SavedDirectory(const SavedDirectory&) = delete;
    SavedDirectory& operator=(const SavedDirectory&) = delete;

private:
    std::string saved_;
};

bool isReadOnly(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Shows the destination in the edit box, brings the window up to date and
// copies over an existing file. A read-only destination is never replaced:
// the copy refuses it here, as not every platform's copy does (Wine run by
// root writes through the attribute).
void copyShown(const std::string& source, const std::string& destination) {
    if (!fitsPath(source) || !fitsPath(destination))
        return;
    SetWindowTextA(installState.editBox, destination.c_str());
    UpdateWindow(installState.mainWindow);
    if (isReadOnly(destination))
        return;
    CopyFileA(source.c_str(), destination.c_str(), FALSE);
}

// The directory part of a pattern, up to and including its last separator.
std::string directoryPart(const std::string& pattern) {
    std::string::size_type cut = pattern.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
}

// Every non-directory entry that matches the pattern in the current
// directory is copied to targetDirSlash + destination + "\" + name, each
// from the directory the pattern names.
void copyMatches(const std::string& pattern, const std::string& destination) {
    const std::string from = directoryPart(pattern);
    WIN32_FIND_DATAA entry;
    ScopedFind search(pattern.c_str(), entry);
    if (!search.found())
        return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        copyShown(from + entry.cFileName,
                  std::string(installState.targetDirSlash) + destination + "\\" + entry.cFileName);
    } while (search.next(entry));
}

void writeDictionarySetting(const char* key, const char* value) {
    WritePrivateProfileStringA("Dictionary", key, value, "win.ini");
}

void executeLine(const char* line, const std::string& sourceSlash) {
    const char* argument = keywordArgument(line);
    const ScriptKeyword keyword = executionKeyword(line);
    std::string first, second;
    switch (keyword) {
    case ScriptKeyword::None:
        return;
    case ScriptKeyword::MkWList:
        installState.wantWordLists = 1;
        return;
    case ScriptKeyword::Copy:
        if (splitOperands(line, first, second))
            copyShown(sourceSlash + first, std::string(installState.targetDirSlash) + second);
        return;
    case ScriptKeyword::XCopy:
        if (splitOperands(line, first, second)) {
            SavedDirectory saved;
            if (SetCurrentDirectoryA(sourceSlash.c_str()))
                copyMatches(first, second);
        }
        return;
    case ScriptKeyword::SndCopy:
        // A subdirectory that cannot be entered copies nothing.
        if (splitOperands(line, first, second)) {
            SavedDirectory saved;
            if (SetCurrentDirectoryA(sourceSlash.c_str()) && SetCurrentDirectoryA(first.c_str()))
                copyMatches("*.*", second);
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
        std::string path = std::string(installState.targetDirSlash) + argument;
        if (fitsPath(path))
            _mkdir(path.c_str());
        return;
    }
    case ScriptKeyword::IconName:
        installState.wantShortcut = 1;
        copyText(installState.iconName, argument);
        return;
    case ScriptKeyword::AviDelay:
        writeDictionarySetting("ItalianAviDelay", argument);
        return;
    case ScriptKeyword::SetIni:
        if (splitKeyValue(argument, first, second))
            writeDictionarySetting(first.c_str(), second.c_str());
        return;
    case ScriptKeyword::IconGroup:
        copyText(installState.iconGroup, argument);
        return;
    case ScriptKeyword::IconExe:
        copyText(installState.iconExe, argument);
        return;
    case ScriptKeyword::Display:
        copyText(installState.displayFile, argument);
        return;
    default:
        return;
    }
}

}  // namespace

void runSetupScript() {
    std::string sourceSlash;
    withSlash(installState.sourceDir, sourceSlash);
    // targetDirSlash holds targetDir and one character more, so a target of
    // the greatest length keeps its backslash (every name behind it then
    // makes a path too long to use) instead of becoming empty, which would
    // send the copies into the current directory.
    std::string targetSlash = installState.targetDir;
    if (targetSlash.empty() || targetSlash.back() != '\\')
        targetSlash += '\\';
    copyText(installState.targetDirSlash, targetSlash.c_str());
    readSetupScript([&](const char* line) { executeLine(line, sourceSlash); });
}

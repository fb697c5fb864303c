// The uninstall side of an installation: the record begun at Start, and at
// the end of an installation (or when it ends early) the record written
// (merged with an earlier installation's), uninstall.exe written out of
// install.exe's resources, and the entry that Apps & Features lists.
//
// An installation made with an administrator's rights keeps its record and
// uninstaller where only administrators can change them: in a folder named
// as its Apps & Features key, in a folder of Program Files, both made with
// an access list of their own (Administrators and SYSTEM full control,
// Users read and execute, nothing inherited). The target directory may be
// writable by every user; an elevated uninstall reads nothing from it.
#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <utility>

#include "app/App.h"
#include "core/PathText.h"
#include "core/Utf8Text.h"
#include "core/FileLayer.h"
#include "core/Log.h"
#include "record/InstallRecord.h"
#include "core/win32/FolderAccessWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/InUseWin32.h"
#include "record/JournalWin32.h"
#include "run/Journaling.h"
#include "run/RunEnd.h"
#include "run/ScriptSettings.h"
#include "run/MessageBoxes.h"
#include "record/RecordWin32.h"
#include "core/WideText.h"

namespace {

constexpr const char* kUninstallerScratch = "uninstall.ex_";

// uninstall.exe from the RCDATA resource, written to a scratch file that
// replaces it in one move.
bool writeUninstaller(const std::string& folder) {
    HRSRC found = FindResourceW(nullptr, L"UNINSTALLEXE", MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(nullptr, found) : 0;
    if (!bytes || size == 0)
        return false;
    const std::string scratch = joinPath(folder, kUninstallerScratch);
    const std::string exe = joinPath(folder, kUninstallerName);
    if (!journalFile(scratch))
        return false;
    FilePtr out = openFile(scratch.c_str(), "wb");
    if (!out)
        return false;
    bool ok = writeItems(bytes, 1, size, out.get());
    ok = closeWritten(out) && ok;
    if (ok && journalFile(exe) && replaceFile(scratch.c_str(), exe.c_str()))
        return true;
    restoreEarlierFile(exe);
    // An uninstaller that runs, or that another program holds, is replaced
    // at the next restart (core/win32/InUseWin32.cpp).
    if (ok && fileHeld(exe) && moveAtRestart(scratch, exe)) {
        runEnd.atRestart.push_back(exe);
        logLine("in use: " + exe + "; " + scratch + " replaces it at the next restart");
        return true;
    }
    removeFile(scratch.c_str());
    return false;
}

// A record that another program holds waits, whole, beside it for the
// next restart; until then the uninstaller and the next installation read
// that one (currentRecordIn).
bool recordAtRestart(const InstallRecord& record, const std::string& folder, const std::string& scratch) {
    const std::string path = joinPath(folder, kRecordName), waiting = joinPath(folder, kWaitingRecordName);
    if (!fileHeld(path) || !journalFile(waiting) || !writeInstallRecord(record, waiting.c_str(), scratch.c_str()))
        return false;
    if (!moveAtRestart(waiting, path)) {
        removeFile(waiting.c_str());
        return false;
    }
    runEnd.atRestart.push_back(path);
    logLine("in use: " + path + "; " + waiting + " replaces it at the next restart");
    return true;
}

// The recorded files' size in KB, rounded up.
DWORD recordedKilobytes(const InstallRecord& record) {
    unsigned long long bytes = 0;
    for (const std::string& file : record.files) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(toWide(file).c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

// YYYYMMDD, as Apps & Features reads InstallDate.
std::string todayAsText() {
    SYSTEMTIME today;
    GetLocalTime(&today);
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    return text;
}

bool setText(HKEY key, const char* name, const std::string& value) {
    const std::wstring wide = toWide(value);
    return RegSetValueExW(key, toWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool setNumber(HKEY key, const char* name, DWORD value) {
    return RegSetValueExW(key, toWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

// A folder made with the protected access list; one that exists is taken
// when only administrators can change it.
bool protectedFolderThere(const std::string& path) {
    if (makeProtectedFolder(path))
        return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && judgeFolder(readFolderFacts(path)) == FolderTrust::Trusted;
}

// The protected folder and the one that holds it, made where missing.
bool makeProtectedFolders(const std::string& folder) {
    return protectedFolderThere(folder.substr(0, folder.find_last_of('\\'))) && protectedFolderThere(folder);
}

// The entry under HKLM when elevated, else HKCU; the same target's entry in
// the other hive, from an earlier installation, is removed where it may be.
bool registerUninstaller(const InstallRecord& record, const std::string& folder, bool elevated) {
    HKEY root = elevated ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    bool hadEntry = false;
    const std::string keyName = uninstallKeyName(record.target);
    const std::string earlierValues = readEntryValues(keyName, hadEntry);
    journalEntry(keyName, hadEntry, earlierValues);
    RegistryKey key;
    if (RegCreateKeyExW(root, toWide(uninstallKeyPath(record.target)).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::string exe = joinPath(folder, kUninstallerName);
    bool ok = setText(key.get(), "DisplayName", record.title.empty() ? std::string("Dictionary") : record.title);
    ok = setText(key.get(), "UninstallString", "\"" + exe + "\"") && ok;
    ok = setText(key.get(), "InstallLocation", record.target) && ok;
    ok = setText(key.get(), "DisplayIcon", exe) && ok;
    ok = setNumber(key.get(), "EstimatedSize", recordedKilobytes(record)) && ok;
    ok = setNumber(key.get(), "NoModify", 1) && ok;
    ok = setNumber(key.get(), "NoRepair", 1) && ok;
    ok = setText(key.get(), "QuietUninstallString", "\"" + exe + "\" /S") && ok;
    ok = setText(key.get(), "InstallDate", todayAsText()) && ok;
    // What the script names, and nothing where it names nothing.
    const std::pair<const char*, const char*> named[] = {{"DisplayVersion", scriptSettings.version},
                                                         {"Publisher", scriptSettings.publisher},
                                                         {"URLInfoAbout", scriptSettings.url}};
    for (const auto& [name, value] : named) {
        if (*value)
            ok = setText(key.get(), name, value) && ok;
        else
            RegDeleteValueW(key.get(), toWide(name).c_str());  // from an earlier installation's script
    }
    deleteUninstallEntry(elevated ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, record.target);
    // What an administrator's detection rule and a quiet removal name.
    logLine(std::string("Apps & Features entry ") + (elevated ? "HKLM\\" : "HKCU\\") +
            uninstallKeyPath(record.target) +
            (*scriptSettings.version ? std::string(", DisplayVersion ") + scriptSettings.version : std::string()) +
            ", QuietUninstallString \"" + exe + "\" /S");
    return ok;
}

}  // namespace

// The earlier installation's record of this target: where this run's
// completeInstallRecord would read it. Empty when there is none.
std::vector<std::string> earlierInstalledFiles() {
    const std::string target = longFolderName(scriptSettings.targetDir);
    const std::string folder = processElevated() ? protectedRecordFolder(target) : target;
    if (folder.empty() || utf16Length(joinPath(folder, kUninstallerScratch)) >= kPathCapacity)
        return {};
    InstallRecord earlier;
    std::string detail;
    if (readInstallRecord(currentRecordIn(folder).c_str(), recordRootsFor(target), earlier, detail) !=
        RecordFault::None)
        return {};
    std::vector<std::string> files = earlier.files;
    files.insert(files.end(), earlier.existed.begin(), earlier.existed.end());
    return files;
}

void beginInstallRecord() {
    installNotes.record = InstallRecord{};
    installNotes.record.title = scriptSettings.title;
    beginJournal(longFolderName(scriptSettings.targetDir));
    installNotes.record.target = journalTarget();
    if (installNotes.targetCreated)
        noteCreatedDirectory(scriptSettings.targetDir);
}

// An earlier record that cannot be read is replaced: the uninstaller would
// refuse it anyway. An installation that made and changed nothing, with no
// earlier one to merge with, needs no uninstaller and gets none. A target
// too long for the uninstaller's file names gets nothing, like every other
// path that would not fit.
//
// When elevated, the record is read from and written to the protected
// folder only: a record in the target directory, which any user may have
// written, is neither merged nor trusted.
bool completeInstallRecord() {
    const std::string target = installNotes.record.target;
    const bool elevated = processElevated();
    const std::string folder = target.empty() ? std::string() : elevated ? protectedRecordFolder(target) : target;
    const bool fits = !folder.empty() && utf16Length(joinPath(folder, kUninstallerScratch)) < kPathCapacity;
    const RecordRoots roots = recordRootsFor(target);
    InstallRecord record = installNotes.record;
    keepWithinRoots(record, roots);
    // A record that waits for the restart is the one that stands: it is
    // read, and written again in its place.
    const std::string path = fits ? currentRecordIn(folder) : std::string();
    InstallRecord earlier;
    std::string detail;
    if (fits && readInstallRecord(path.c_str(), roots, earlier, detail) == RecordFault::None)
        record = mergeInstallRecords(earlier, record);
    else if (record.directories.empty() && record.files.empty() && record.existed.empty() && record.iniKeys.empty())
        return true;
    const std::string scratch = fits ? joinPath(folder, kRecordScratchName) : std::string();
    if (fits)
        announceFiles({scratch, path, joinPath(folder, kUninstallerScratch), joinPath(folder, kUninstallerName)});
    if (!fits || (elevated && !makeProtectedFolders(folder)) || !journalFile(scratch) || !journalFile(path))
        return false;
    if (!writeInstallRecord(record, path.c_str(), scratch.c_str())) {
        restoreEarlierFile(path);
        if (!recordAtRestart(record, folder, scratch))
            return false;
    }
    return writeUninstaller(folder) && registerUninstaller(record, folder, elevated);
}

// Files in use at uninstall: the programs that hold a recorded file are
// named, or asked to close (/CLOSEAPPLICATIONS); otherwise the file goes at
// the next restart, and with it the folders it keeps and the Apps &
// Features entry, so that the entry lasts as long as the installation.
#include "uninstall/Uninstall.h"

#include "core/InUse.h"
#include "core/Log.h"
#include "core/PathText.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/InUseWin32.h"
#include "core/WideText.h"
#include "record/RecordWin32.h"

namespace {

bool closeApplications = false;

constexpr const wchar_t* kRunOnceKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The entry of the target, under the hive that holds it; false when neither does.
bool entryHive(const std::string& target, HKEY& root) {
    const std::wstring path = toWide(uninstallKeyPath(target));
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegistryKey key;
        if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS) {
            root = hive;
            return true;
        }
    }
    return false;
}

// The system's reg.exe, run once at the next start of Windows (RunOnce of
// the entry's own hive), deletes the entry.
bool deleteEntryAtRestart(const std::string& target) {
    HKEY root = nullptr;
    if (!entryHive(target, root))
        return true;
    const std::wstring system =
        grownText([](wchar_t* buffer, DWORD size) { return static_cast<DWORD>(GetSystemDirectoryW(buffer, size)); });
    if (system.empty())
        return false;
    // A 32-bit uninstaller on 64-bit Windows wrote its entry in the
    // registry's 32-bit view, which the system's reg.exe is told to use.
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const std::string command = "\"" + joinPath(toUtf8(system), "reg.exe") + "\" delete \"" +
                                (root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + uninstallKeyPath(target) +
                                "\" /f" + (wow64 ? " /reg:32" : "");
    RegistryKey runOnce;
    if (RegCreateKeyExW(root, kRunOnceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        runOnce.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring name = toWide("Dictionary uninstall " + uninstallKeyName(target));
    const std::wstring value = toWide(command);
    logLine("at the next restart: " + command);
    return RegSetValueExW(runOnce.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

void setCloseApplications(bool close) {
    closeApplications = close;
}

bool closeHolders(const std::string& path, bool& asked) {
    if (asked || !closeApplications || !fileHeld(path))
        return false;
    asked = true;
    logLine(path + " is in use: asking its programs to close (/CLOSEAPPLICATIONS)");
    closeProgramsHolding({path});
    return true;
}

RemovalProblem removalProblem(const std::string& path, const std::string& reason) {
    if (!fileHeld(path))
        return {reason, false};
    return {inUseText(programsHolding({path}), {}), true};
}

bool removeHeldAtRestart(const std::string& path, RemovalOutcome& outcome) {
    if (!fileHeld(path) || !moveAtRestart(path, ""))
        return false;
    outcome.atRestart.push_back(path);
    logLine(path + " is in use: removed at the next restart");
    return true;
}

// The scheduled removals run in the order given: the files first, then the
// folders deepest first, each of which goes only if empty by then.
void removeAtRestartAfterFiles(const InstallRecord& record, RemovalOutcome& outcome) {
    if (outcome.atRestart.empty())
        return;
    for (const std::string& folder : deepestFirst(record.directories))
        if (GetFileAttributesW(toWide(folder).c_str()) != INVALID_FILE_ATTRIBUTES)
            moveAtRestart(folder, "");
    if (!deleteEntryAtRestart(record.target))
        outcome.notRestored.push_back("the Apps & Features entry " + uninstallKeyPath(record.target) +
                                      " (at the next restart)");
}

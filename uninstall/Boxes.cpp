// The uninstaller's message boxes. They have no owner window: the
// uninstaller has none.
#include "uninstall/Uninstall.h"

#include "core/Log.h"
#include "core/win32/TextWin32.h"

namespace {

constexpr const char* kCaption = "Uninstall";
constexpr std::size_t kListedAtMost = 12;

bool silentRun = false;

// The box's text as one log line.
void logBox(const char* what, std::string text) {
    for (char& c : text)
        c = c == '\n' ? ' ' : c;
    logLine(std::string(what) + text);
}

// A drive root as "C:\\" also where an earlier record spelled it "C:".
std::string displayFolder(const std::string& folder) {
    return folder.size() == 2 && folder[1] == ':' ? folder + "\\" : folder;
}

// The box's Cancel button becomes Skip: a message box has no Skip button of
// its own, and the hook sees the box before it is shown.
LRESULT CALLBACK relabelCancel(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE)
        SetDlgItemTextW(reinterpret_cast<HWND>(wParam), IDCANCEL, L"&Skip");
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Up to kListedAtMost lines of the list under its heading.
std::string listSection(const char* heading, const std::vector<std::string>& items) {
    if (items.empty())
        return {};
    std::string text = std::string("\n\n") + heading;
    for (std::size_t i = 0; i < items.size() && i < kListedAtMost; ++i)
        text += "\n    " + items[i];
    if (items.size() > kListedAtMost)
        text += "\n    ... and " + std::to_string(items.size() - kListedAtMost) + " more";
    return text;
}

}  // namespace

void setSilent(bool silent) {
    silentRun = silent;
}

bool confirmUninstall(const std::string& title, const std::string& target) {
    const std::string text = "Remove " + (title.empty() ? std::string("the dictionary") : title) +
                             " from " + displayFolder(target) +
                             "?\n\nThe files, folders, Start menu entries and win.ini settings that the "
                             "installation made are removed. Files added later are left in place.";
    return showMessageBox(nullptr, text, kCaption, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

bool retryRemoval(const std::string& path, const std::string& reason, bool held) {
    logLine("cannot remove " + path + ": " + reason + (silentRun && !held ? "; skipped" : ""));
    if (silentRun)
        return false;
    const std::string text = path + "\n\ncannot be removed: " + reason +
                             (held ? ".\n\nClose the program that uses it, then choose Retry. Skip removes the "
                                     "file when Windows restarts."
                                   : ".\n\nClose the program that uses it, or give administrators the right to "
                                     "delete it, then choose Retry. Skip leaves the file in place.");
    const WindowsHook hook(SetWindowsHookExW(WH_CBT, relabelCancel, nullptr, GetCurrentThreadId()));
    return showMessageBox(nullptr, text, kCaption, MB_RETRYCANCEL | MB_ICONWARNING | MB_SETFOREGROUND) == IDRETRY;
}

void showRefusal(const std::string& message) {
    logBox("refused: ", message);
    if (silentRun)
        return;
    showMessageBox(nullptr, message, kCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// "Removed" is said only when nothing waits for the restart.
void showClosing(const std::string& title, const std::string& target, const RemovalOutcome& outcome) {
    const std::string name = title.empty() ? std::string("The dictionary") : title;
    const bool whole = !outcome.incomplete() && outcome.existed.empty() && outcome.changedKeys.empty() &&
                       outcome.left.empty() && outcome.keptFolders.empty();
    std::string text = name + " was removed from " + displayFolder(target) +
                       (whole ? "." : ", except for what is listed below.");
    if (!outcome.atRestart.empty())
        text = name + " is removed from " + displayFolder(target) +
               " when Windows restarts: files are in use. Restart Windows to complete the removal.";
    text += listSection("Removed when Windows restarts (in use now):", outcome.atRestart);
    text += listSection("Could not be removed (skipped):", outcome.skipped);
    text += listSection("Could not be put back or removed:", outcome.notRestored);
    text += listSection("Left in place, as a link now stands there (it was not followed):", outcome.links);
    text += listSection("Left in place, as they were there before the installation:", outcome.existed);
    text += listSection("Left with the value they were given after the installation:", outcome.changedKeys);
    text += listSection("Left in place, as the installation did not make them:", outcome.left);
    text += listSection("Folders kept, as they still hold files:", outcome.keptFolders);
    if (outcome.incomplete())
        text += "\n\nThe uninstaller stays in Apps & Features: once what could not be removed can be, uninstall "
                "the dictionary again to remove the rest.";
    logBox("", text);
    if (silentRun)
        return;
    UINT icon = outcome.incomplete() ? MB_ICONWARNING : MB_ICONINFORMATION;
    showMessageBox(nullptr, text, kCaption, MB_OK | icon | MB_SETFOREGROUND);
}

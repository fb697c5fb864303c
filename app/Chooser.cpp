// The drive-and-folder chooser: every choice changes the process's current
// directory at once and writes it into the edit box. It only fills the edit
// box; Start takes the edit box's text. The chooser keeps the
// folder it shows itself and lists it by its full path, so that nothing
// here depends on the current directory it moves.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/App.h"
#include "core/PathText.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"

namespace {

HWND control(int id) {
    return GetDlgItem(windowHandles.mainWindow, id);
}

// The selected item's text of a list box; empty when nothing is selected.
std::string selectedText(HWND list) {
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return {};
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return {};
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return toUtf8(text.data());
}

void addItem(HWND list, const std::string& text) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(text).c_str()));
}

// The folder the chooser shows.
std::string shownFolder;

// The full path without a trailing backslash, but a drive root's, as the
// system spells a current directory.
std::string folderSpelling(std::string path) {
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

// A chosen drive root or folder name, taken from the shown folder.
void changeTo(const std::string& name) {
    if (!name.empty()) {
        const std::string folder = folderSpelling(fullPathOf(resolvedAgainst(shownFolder, name)));
        if (SetCurrentDirectoryW(toWide(folder).c_str()))
            shownFolder = folder;
    }
    SendMessageW(control(kFolderList), LB_RESETCONTENT, 0, 0);
}

}  // namespace

// Opens the chooser once. The greyed button can still be clicked by a
// program (a BM_CLICK reaches a disabled button), which must neither jump
// back to drive C nor fill the drive list a second time.
void openChooser() {
    HWND button = control(kChangeDirButton);
    if (!IsWindowEnabled(button))
        return;
    EnableWindow(button, FALSE);
    MoveWindow(control(kFramePanel), 110, 138, 440, 320, TRUE);
    for (int id : {kDriveList, kFolderList, kDriveCaption, kFolderCaption})
        ShowWindow(control(id), SW_SHOW);

    wchar_t drives[200] = {};
    DWORD length = GetLogicalDriveStringsW(199, drives);
    if (length > 0 && length < 199) {
        for (const wchar_t* root = drives; *root; root += wcslen(root) + 1)
            addItem(control(kDriveList), toUtf8(root));
    }
    shownFolder = "c:\\";
    SetCurrentDirectoryW(toWide(shownFolder).c_str());
    listFolders(false);
}

void chooseDrive() {
    changeTo(selectedText(control(kDriveList)));
    listFolders(false);
}

void chooseFolder() {
    changeTo(selectedText(control(kFolderList)));
    listFolders(true);
}

// The non-hidden sub-folders of the current directory (system folders
// included, ".." kept, "." left out only when skipping), then the current
// directory as the edit box's whole text. A directory longer than the
// chooser's 199-character display is still shown whole.
void listFolders(bool skipDot) {
    HWND folders = control(kFolderList);
    ScopedFind search(joinPath(shownFolder, "*.*"));
    if (search.found()) {
        do {
            const bool hidden = (search.attributes() & FILE_ATTRIBUTE_HIDDEN) != 0;
            const std::string name = search.name();
            if (search.isFolder() && !hidden && !(skipDot && name == "."))
                addItem(folders, name);
        } while (search.next());
    }
    SetWindowTextW(windowHandles.editBox, toWide(shownFolder).c_str());
}

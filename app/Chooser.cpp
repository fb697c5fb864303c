// The drive-and-folder chooser: every choice changes the process's current
// directory at once and writes it into the edit box. It only fills the edit
// box; Start takes the edit box's text as before.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/App.h"
#include "base/HandlesWin32.h"

namespace {

HWND control(int id) {
    return GetDlgItem(windowHandles.mainWindow, id);
}

// The selected item's text of a list box; empty when nothing is selected.
std::string selectedText(HWND list) {
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return {};
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR)
        return {};
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

void changeTo(const std::string& directory) {
    if (!directory.empty())
        SetCurrentDirectoryA(directory.c_str());
    SendMessageA(control(kFolderList), LB_RESETCONTENT, 0, 0);
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

    char drives[200] = {};
    DWORD length = GetLogicalDriveStringsA(sizeof drives - 1, drives);
    if (length > 0 && length < sizeof drives - 1) {
        for (const char* root = drives; *root; root += std::strlen(root) + 1)
            SendMessageA(control(kDriveList), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root));
    }
    SetCurrentDirectoryA("c:\\");
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
    WIN32_FIND_DATAA entry;
    ScopedFind search("*.*", entry);
    if (search.found()) {
        do {
            bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            bool hidden = (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
            bool dot = std::strcmp(entry.cFileName, ".") == 0;
            if (isFolder && !hidden && !(skipDot && dot))
                SendMessageA(folders, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.cFileName));
        } while (search.next(entry));
    }
    SetWindowTextA(windowHandles.editBox, currentDirectory().c_str());
}

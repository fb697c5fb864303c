// The drive-and-folder chooser as the user meets it: Change Directory opens
// it once at the root of drive C, every choice in its lists changes the
// current directory and shows it in the edit box, and Start takes a relative
// path from where the chooser left off and then puts the chooser away.
#include "Harness.h"
#include "Layout.h"
#include "ProgressPixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

using namespace e2e;

namespace {

const UINT kSendTimeoutMs = scaledMs(Millis(5000));

bool sameName(const std::string& a, const std::string& b) {
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

std::string joined(const std::vector<std::string>& items) {
    std::ostringstream out;
    out << "{";
    for (size_t i = 0; i < items.size(); ++i) out << (i ? ", " : "") << "\"" << items[i] << "\"";
    out << "}";
    return out.str();
}

// Case-insensitively sorted, for comparing lists whatever their order.
std::vector<std::string> sortedNames(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

// The items of one of the installer's list boxes, in the list's order. Read
// as wide text: that is what the list holds and what crosses between
// processes whole.
std::vector<std::string> listItems(HWND list) {
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!list || !SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count)) {
        ADD_FAILURE() << "cannot count the items of a list box";
        return items;
    }
    for (DWORD_PTR i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length);
        std::wstring wide(std::max<DWORD_PTR>(length, 255) + 1, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&wide[0]), SMTO_ABORTIFHUNG,
                            kSendTimeoutMs, &copied);
        char text[1024] = "";
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

// Whether the items stand in the order of a sorted list box.
bool inListOrder(const std::vector<std::string>& items) {
    for (size_t i = 1; i < items.size(); ++i)
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, items[i - 1].c_str(), -1, items[i].c_str(), -1) ==
            CSTR_GREATER_THAN)
            return false;
    return true;
}

// What the chooser is to list for a folder, found from here: its
// sub-folders without the hidden ones, and "." only when it is kept.
std::vector<std::string> visibleFolders(const std::string& folder, bool keepDot) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(joinPath(folder, "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool hidden = (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        if (isFolder && !hidden && (keepDot || std::strcmp(entry.cFileName, ".") != 0))
            names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

std::vector<std::string> logicalDrives() {
    char buffer[512] = {};
    DWORD length = GetLogicalDriveStringsA(sizeof buffer - 1, buffer);
    std::vector<std::string> roots;
    if (length == 0 || length >= sizeof buffer - 1) return roots;
    for (const char* root = buffer; *root; root += std::strlen(root) + 1) roots.push_back(root);
    return roots;
}

// The components of an absolute path below its drive root: "Z:\a\b" gives {"a", "b"}.
std::vector<std::string> pathComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += path[i];
        }
    }
    return parts;
}

// Sets a folder's attributes and tells whether the file system kept them.
bool giveAttributes(const std::string& folder, DWORD attributes) {
    SetFileAttributesA(folder.c_str(), attributes);
    DWORD now = GetFileAttributesA(folder.c_str());
    return now != INVALID_FILE_ATTRIBUTES && (now & attributes) == attributes;
}

// The user's side of the chooser: the Change Directory button and the
// choices in its two lists.
class Chooser {
public:
    explicit Chooser(Installer& app) : app_(app) {}

    // Presses Change Directory and returns once the chooser has opened.
    bool open() {
        app_.click(kChangeDirButton);
        bool opened = waitUntil([&] { return !IsWindowEnabled(app_.control(kChangeDirButton)); });
        if (!opened) ADD_FAILURE() << "Change Directory did not react:" << app_.describeWindows();
        return opened && app_.sync();
    }

    std::vector<std::string> drives() const { return listItems(app_.control(kDriveList)); }
    std::vector<std::string> folders() const { return listItems(app_.control(kFolderList)); }
    std::string shown() const { return app_.text(kEditBox); }
    bool nothingSelected(int listId) const {
        DWORD_PTR index = 0;
        SendMessageTimeoutA(app_.control(listId), LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &index);
        return static_cast<LRESULT>(index) == LB_ERR;
    }

    // Selects the item of a list with this name (letter case aside) and
    // notifies the main window as the list box itself does, synchronously,
    // so the step is complete on return. Fails when no item has the name.
    bool choose(int listId, const std::string& name) {
        std::vector<std::string> items = listItems(app_.control(listId));
        auto it = std::find_if(items.begin(), items.end(), [&](const std::string& i) { return sameName(i, name); });
        if (it == items.end()) {
            ADD_FAILURE() << "expected \"" << name << "\" in the " << controlName(listId) << ", got "
                          << joined(items) << " (edit box \"" << shown() << "\")";
            return false;
        }
        HWND list = app_.control(listId);
        DWORD_PTR result = 0;
        WPARAM index = static_cast<WPARAM>(it - items.begin());
        bool done = SendMessageTimeoutA(list, LB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) &&
                    SendMessageTimeoutA(app_.mainWindow(), WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE),
                                        reinterpret_cast<LPARAM>(list), SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
        if (!done) ADD_FAILURE() << "the choice of \"" << name << "\" got no answer:" << app_.describeWindows();
        return done;
    }

    // Goes to an absolute folder the way a user would: its drive in the
    // drive list, then one folder after the other in the folder list.
    bool walkTo(const std::string& folder) {
        if (!choose(kDriveList, folder.substr(0, 3))) return false;
        for (const std::string& part : pathComponents(folder))
            if (!choose(kFolderList, part)) return false;
        if (sameName(shown(), folder)) return true;
        ADD_FAILURE() << "expected the edit box to show \"" << folder << "\" after the walk, got \"" << shown()
                      << "\"";
        return false;
    }

private:
    Installer& app_;
};

struct Placed {
    int id;
    Rect rect;
};

// The chooser's controls and where they stand while it is open.
const Placed kChooserLayout[] = {
    {kFramePanel,
     {layout::control(kFramePanel).rect.x, layout::control(kFramePanel).rect.y, layout::control(kFramePanel).rect.w,
      layout::kChooserFrameHeight}},
    {kDriveList, layout::control(kDriveList).rect},
    {kFolderList, layout::control(kFolderList).rect},
    {kDriveCaption, layout::control(kDriveCaption).rect},
    {kFolderCaption, layout::control(kFolderCaption).rect},
};

// The first pixel of the rectangle that does not show the background, described; empty when all do.
std::string backgroundMismatch(const Screen& s, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (!sameColour(s.pixel(x, y), progress::backgroundOf(s, y)))
                return "at (" + std::to_string(x) + "," + std::to_string(y) + ") expected " +
                       toString(progress::backgroundOf(s, y)) + ", got " + toString(s.pixel(x, y));
    return "";
}

// A FROM wordlist without records, and the language list that names it.
const char* const kLanguageList = "xx,yy,1,Chooserish\nfrom.wb\nto.wb\n";

}  // namespace

// --- Opening ---------------------------------------------------------------------

// Change Directory goes to the root of drive C whatever the edit box held,
// lists that root's visible folders (sorted) and the system's drives, and
// shows the lists, captions and the enlarged panel. It works once: the
// button stays greyed and a click on it changes nothing.
TEST(Chooser, OpensOnceAtTheRootOfDriveC) {
    Workspace work;
    Installer app(work.makeSource("title Chooser\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, work.root()));
    Chooser chooser(app);

    ASSERT_TRUE(chooser.open());

    EXPECT_TRUE(sameName(chooser.shown(), "C:\\")) << "expected the edit box to show C:\\, got \"" << chooser.shown()
                                                   << "\"";
    std::vector<std::string> folders = chooser.folders();
    EXPECT_EQ(joined(sortedNames(folders)), joined(sortedNames(visibleFolders("C:\\", true))));
    EXPECT_TRUE(inListOrder(folders)) << "folder list out of order: " << joined(folders);
    EXPECT_TRUE(chooser.nothingSelected(kFolderList));
    std::vector<std::string> drives = chooser.drives();
    EXPECT_EQ(joined(sortedNames(drives)), joined(sortedNames(logicalDrives())));
    EXPECT_TRUE(inListOrder(drives)) << "drive list out of order: " << joined(drives);

    auto checkLayout = [&](const char* when) {
        SCOPED_TRACE(when);
        for (const Placed& p : kChooserLayout) {
            ControlState state = app.controlState(p.id);
            EXPECT_TRUE(state.visible) << controlName(p.id) << " should be visible";
            Rect want = p.rect;
            // A list box shows whole items only: it may be shorter by less than one item.
            if (p.id == kDriveList || p.id == kFolderList) {
                DWORD_PTR item = 0;
                SendMessageTimeoutA(app.control(p.id), LB_GETITEMHEIGHT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &item);
                if (state.rect.h <= want.h && state.rect.h > want.h - static_cast<int>(item)) want.h = state.rect.h;
            }
            EXPECT_EQ(toString(state.rect), toString(want)) << controlName(p.id);
        }
        EXPECT_EQ(app.text(kDriveCaption), "Drive :");
        EXPECT_EQ(app.text(kFolderCaption), "Directory :");
        ControlState button = app.controlState(kChangeDirButton);
        EXPECT_TRUE(button.visible);
        EXPECT_FALSE(button.enabled) << "Change Directory should be greyed out";
        for (int id : {kStartButton, kStopButton, kEditBox, kPromptLabel})
            EXPECT_TRUE(app.controlState(id).visible) << controlName(id) << " should stay visible";
    };
    checkLayout("just opened");

    // Elsewhere now; a click on the greyed button must not go back to C:\ nor
    // fill the drive list a second time.
    ASSERT_TRUE(chooser.walkTo(work.root()));
    Snapshot before = app.snapshot();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(app.control(kChangeDirButton), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    ASSERT_TRUE(app.sync());
    EXPECT_EQ(differences(before, app.snapshot()), "");
    EXPECT_TRUE(sameName(chooser.shown(), work.root())) << "got \"" << chooser.shown() << "\"";
    EXPECT_EQ(chooser.drives().size(), logicalDrives().size()) << joined(chooser.drives());
    checkLayout("after a click on the greyed button");

    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// --- Folder steps ------------------------------------------------------------------

// Every folder step shows its directory in the edit box and lists its
// visible sub-folders with ".." but never "."; hidden folders are left out,
// system folders are not; ".." (here by the Home key, as a user would pick
// it) goes back up. A folder that has gone meanwhile cannot be entered: the
// directory stays as it was and the list and edit box show it.
TEST(Chooser, FolderStepsFollowTheCurrentDirectory) {
    Workspace work;
    std::string top = work.path("tree");
    makeDirectories(joinPath(top, "alpha\\inner"));
    makeDirectories(joinPath(top, "beta"));
    makeDirectories(joinPath(top, "secret"));
    makeDirectories(joinPath(top, "system"));
    writeFile(joinPath(top, "file.txt"), "not a folder\n");
    ASSERT_TRUE(giveAttributes(joinPath(top, "secret"), FILE_ATTRIBUTE_HIDDEN))
        << "this file system cannot mark a folder hidden";
    ASSERT_TRUE(giveAttributes(joinPath(top, "system"), FILE_ATTRIBUTE_SYSTEM))
        << "this file system cannot mark a folder as a system folder";
    const std::string topList = joined({"..", "alpha", "beta", "system"});

    Installer app(work.makeSource("title Chooser\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    Chooser chooser(app);
    ASSERT_TRUE(chooser.open());
    ASSERT_TRUE(chooser.walkTo(top));
    EXPECT_EQ(joined(chooser.folders()), topList);

    ASSERT_TRUE(chooser.choose(kFolderList, "alpha"));
    EXPECT_TRUE(sameName(chooser.shown(), joinPath(top, "alpha"))) << "got \"" << chooser.shown() << "\"";
    EXPECT_EQ(joined(chooser.folders()), joined({"..", "inner"}));
    EXPECT_TRUE(chooser.nothingSelected(kFolderList)) << "the refilled list should have no selection";

    // Home selects the first item, "..", and the list acts on it at once.
    PostMessageA(app.control(kFolderList), WM_KEYDOWN, VK_HOME, 1);
    bool up = waitUntil([&] { return sameName(chooser.shown(), top); });
    EXPECT_TRUE(up) << "expected the edit box to show \"" << top << "\" after \"..\", got \"" << chooser.shown()
                    << "\"";
    EXPECT_EQ(joined(chooser.folders()), topList);

    ASSERT_TRUE(chooser.choose(kFolderList, "system"));
    EXPECT_TRUE(sameName(chooser.shown(), joinPath(top, "system"))) << "got \"" << chooser.shown() << "\"";
    EXPECT_EQ(joined(chooser.folders()), joined({".."}));
    ASSERT_TRUE(chooser.choose(kFolderList, ".."));
    EXPECT_TRUE(sameName(chooser.shown(), top)) << "got \"" << chooser.shown() << "\"";

    // "beta" is still listed but no longer there.
    ASSERT_TRUE(RemoveDirectoryA(joinPath(top, "beta").c_str()));
    ASSERT_TRUE(chooser.choose(kFolderList, "beta"));
    EXPECT_TRUE(app.running());
    EXPECT_TRUE(sameName(chooser.shown(), top)) << "got \"" << chooser.shown() << "\"";
    EXPECT_EQ(joined(chooser.folders()), joined({"..", "alpha", "system"}));

    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// A current directory longer than 199 characters is shown whole, and the
// chooser goes on working from there.
TEST(Chooser, LongCurrentDirectoryIsShownWhole) {
    Workspace work;
    std::string deep = work.root();
    for (char letter = 'a'; deep.size() < 210; ++letter) {
        size_t room = 235 - deep.size() - 1;
        ASSERT_GT(room, 10u) << "the work folder's path is too long for this test: " << work.root();
        deep = joinPath(deep, std::string(std::min<size_t>(room, 50), letter));
    }
    makeDirectories(joinPath(deep, "leaf"));
    ASSERT_TRUE(isDirectory(joinPath(deep, "leaf"))) << "cannot make " << deep;

    Installer app(work.makeSource("title Chooser\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    Chooser chooser(app);
    ASSERT_TRUE(chooser.open());
    ASSERT_TRUE(chooser.walkTo(deep));
    EXPECT_GT(chooser.shown().size(), 199u);
    EXPECT_EQ(joined(chooser.folders()), joined({"..", "leaf"}));

    ASSERT_TRUE(chooser.choose(kFolderList, "leaf"));
    EXPECT_TRUE(sameName(chooser.shown(), joinPath(deep, "leaf"))) << "got \"" << chooser.shown() << "\"";
    ASSERT_TRUE(chooser.choose(kFolderList, ".."));
    EXPECT_TRUE(sameName(chooser.shown(), deep)) << "got \"" << chooser.shown() << "\"";

    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// --- Start after the chooser ---------------------------------------------------------

// A relative path typed after a chooser step names a folder inside the
// directory the chooser went to, not inside the folder the installer
// started in, and the files land there.
TEST(Chooser, RelativePathIsTakenFromTheChosenFolder) {
    Workspace work;
    std::string chosen = work.path("chosen");
    makeDirectories(chosen);
    std::string source = work.makeSource("title Chooser\nmkdir sub\ncopy readme.txt sub\\readme.txt\n",
                                         {{"readme.txt", "hello\n"}});
    Installer app(source);
    ASSERT_TRUE(app.waitForMainWindow());
    Chooser chooser(app);
    ASSERT_TRUE(chooser.open());
    ASSERT_TRUE(chooser.walkTo(chosen));

    ASSERT_TRUE(app.setText(kEditBox, "newdir"));
    app.click(kStartButton);

    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_EQ(readFile(joinPath(chosen, "newdir\\sub\\readme.txt")).value_or("<missing>"), "hello\n");
    EXPECT_FALSE(pathExists(joinPath(source, "newdir"))) << "the source folder got a newdir";
    EXPECT_FALSE(pathExists("C:\\newdir")) << "C:\\ got a newdir";
}

// Start puts the chooser away with everything else and gives the panel back
// its first size: while the closing message of the word lists is up, no
// control is visible, the panel measures 440x110 again, and where the drive
// list stood the background shows.
TEST(Chooser, StartHidesTheChooserAndRestoresThePanel) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource(
        "title Chooser\nmkdir language\ncopy language.cf language.cf\ncopy from.wb language\\from.wb\nmkwlist\n",
        {{"language.cf", kLanguageList}, {"from.wb", ""}});
    Installer app(source);
    ASSERT_TRUE(app.waitForMainWindow());
    Chooser chooser(app);
    ASSERT_TRUE(chooser.open());
    ASSERT_TRUE(chooser.walkTo(work.root()));
    ASSERT_TRUE(app.setText(kEditBox, target));

    app.click(kStartButton);

    auto box = app.waitForMessageBox("Install");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Install Finished ");
    for (int id : kAllControls) EXPECT_FALSE(app.controlState(id).visible) << controlName(id) << " still visible";
    EXPECT_EQ(toString(app.controlState(kFramePanel).rect), toString(layout::control(kFramePanel).rect));
    // The lower part of the drive list's place: below the status lines, left of the box.
    Screen screen = waitForScreen([](const Screen& s) { return backgroundMismatch(s, 120, 330, 270, 380).empty(); },
                                  Millis(3000));
    EXPECT_EQ(backgroundMismatch(screen, 120, 330, 270, 380), "");

    ASSERT_TRUE(app.answer(*box));
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_TRUE(pathExists(joinPath(target, "language\\to.wb")));
}

// Drives the real install.exe as a user would: a fresh source folder per
// test, the program started in it, its window and controls read from the
// outside, keys and clicks posted to it, message boxes answered, the screen
// read back. Every wait polls until a deadline and, when it runs out, adds a
// test failure that says what was expected and what was seen.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using Millis = std::chrono::milliseconds;

// How long any one wait lasts before it fails, on an idle machine.
constexpr Millis kWait{10000};
// How long a whole installation of a small source folder may take.
constexpr Millis kRunWait{120000};

// E2E_TIME_SCALE (default 1) multiplies every deadline of the tests, for a
// busy machine: each wait of the harness scales the timeout it is given, so
// a test names its deadlines as for an idle one.
double timeScale();
Millis scaled(Millis base);
// The same as a Win32 timeout in milliseconds.
DWORD scaledMs(Millis base);

// Control ids of the main window.
enum ControlId : int {
    kStartButton = 200,
    kStopButton = 201,
    kChangeDirButton = 202,
    kFramePanel = 249,
    kPromptLabel = 250,
    kDriveCaption = 251,
    kFolderCaption = 252,
    kDriveList = 300,
    kFolderList = 301,
    kEditBox = 350,
};
extern const int kAllControls[10];
const char* controlName(int id);

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};
std::string toString(const Rect& r);

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::string toString(const Rgb& c);

// What the outside can see of one child control.
struct ControlState {
    bool exists = false;
    bool visible = false;
    bool enabled = false;
    Rect rect;  // client coordinates of the main window
    std::string text;
    bool operator==(const ControlState& o) const {
        return exists == o.exists && visible == o.visible && enabled == o.enabled && rect == o.rect &&
               text == o.text;
    }
    bool operator!=(const ControlState& o) const { return !(*this == o); }
};
using Snapshot = std::map<int, ControlState>;
std::string toString(const ControlState& s);
std::string toString(const Snapshot& s);
// The controls whose state differs between two snapshots, described; empty when equal.
std::string differences(const Snapshot& before, const Snapshot& after);

// --- Files -----------------------------------------------------------------

bool pathExists(const std::string& path);
bool isDirectory(const std::string& path);
bool isReadOnly(const std::string& path);
// The user's Programs folder of the Start menu.
std::string programsFolder();
// Writes a file in binary mode, creating missing parent folders.
void writeFile(const std::string& path, const std::string& content);
// The whole file, or nullopt when it cannot be read.
std::optional<std::string> readFile(const std::string& path);
void makeDirectories(const std::string& path);
void removeTree(const std::string& path);
// Every file and folder below a folder, as relative paths, sorted.
std::vector<std::string> listTree(const std::string& folder);
std::string joinPath(const std::string& folder, const std::string& name);

// One test's private folder: <E2E_WORK or %TEMP%\install-e2e>\<suite>.<test>,
// made empty when the test begins, removed when it ends unless it failed.
class Workspace {
public:
    Workspace();
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return joinPath(root_, relative); }

    // A fresh folder `relative` holding install.inf with the given text
    // (none when nullopt) and the given files (relative name, content).
    // Returns its full path.
    std::string makeSource(const std::optional<std::string>& installInf,
                           const std::vector<std::pair<std::string, std::string>>& files = {},
                           const std::string& relative = "source");

private:
    std::string root_;
};

// --- The screen ------------------------------------------------------------

// One capture of the whole screen.
class Screen {
public:
    static Screen capture();
    int width() const { return width_; }
    int height() const { return height_; }
    Rgb pixel(int x, int y) const;
    // Pixels of the rectangle [left, right) x [top, bottom) that satisfy pred.
    int count(int left, int top, int right, int bottom, const std::function<bool(Rgb)>& pred) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> bits_;
};

// Captures the screen until pred accepts a capture or the deadline passes;
// returns the last capture either way.
Screen waitForScreen(const std::function<bool(const Screen&)>& pred, Millis timeout = kWait);

// True when the display has fewer than 24 bits per pixel.
bool lowColourDisplay();

// Whether a pixel read from the screen shows the colour drawn: exact on a
// true-colour display, within the rounding of 5 or 6 bits a channel on a
// low-colour one.
bool sameColour(Rgb seen, Rgb drawn);

// --- The installer process ---------------------------------------------------

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    HWND iconControl = nullptr;  // the box's static icon control, if any
    bool iconSet = false;        // that control holds an icon
};

// Polls pred every few milliseconds until it holds or the timeout passes.
bool waitUntil(const std::function<bool()>& pred, Millis timeout = kWait);

// The path of install.exe: env INSTALL_EXE, else next to this program, else
// two folders up (the build tree's layout).
std::string installerPath();

// One run of install.exe (or another program of the project). The destructor
// ends a process that is still running, so a failing test leaves nothing behind.
class Installer {
public:
    // Starts install.exe, or the given program, with currentDir as its
    // current directory and the arguments after the program's name.
    explicit Installer(const std::string& currentDir, const std::string& program = installerPath(),
                       const std::string& arguments = "");
    // The same for a folder or program whose name the ANSI code page cannot
    // spell.
    Installer(const std::wstring& currentDir, const std::wstring& program);
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    bool started() const { return process_ != nullptr; }
    bool running() const;
    DWORD processId() const { return pid_; }

    // Waits for the visible main window (class "Install") of this process;
    // null, after a failure is added, when none appears.
    HWND waitForMainWindow(Millis timeout = kWait);
    HWND mainWindow() const { return main_; }
    // Every top-level window of this process, of the class when one is given.
    std::vector<HWND> topLevelWindows(const char* className = nullptr) const;

    HWND control(int id) const;
    ControlState controlState(int id) const;
    Snapshot snapshot() const;
    std::string text(int id) const;
    // Sets a control's text (WM_SETTEXT is sent, as it is marshalled between
    // processes and runs nothing but the text change) and reads it back; a
    // failure is added when the control shows anything else.
    bool setText(int id, const std::string& text);

    // Input, posted so that the test never waits inside the installer.
    void click(int id);                       // BM_CLICK to a button
    void command(int id, int notification = 0);  // WM_COMMAND to the main window
    void pressEnter(int id = kEditBox);       // WM_KEYDOWN VK_RETURN to a control
    void requestClose();                      // WM_CLOSE to the main window
    // Returns once the installer's thread has handled a message again (or the
    // wait ran out): what it did before then is done.
    bool sync(Millis timeout = kWait);

    // Waits for a visible message box ("#32770") with this caption.
    std::optional<MessageBoxInfo> waitForMessageBox(const std::string& caption, Millis timeout = kWait);
    // The visible message boxes of this process at the moment.
    std::vector<MessageBoxInfo> messageBoxes() const;
    // Answers a box with a button id (IDOK by default) and waits until it is gone.
    bool answer(const MessageBoxInfo& box, int buttonId = IDOK, Millis timeout = kWait);

    // Waits for the process to end; its exit code, or STILL_ACTIVE after a
    // failure is added when it does not end in time.
    DWORD waitForExit(Millis timeout = kWait);
    // Answers every box of this caption until the process ends (the closing
    // messages of a run after Start); its exit code, as waitForExit.
    DWORD answerBoxesUntilExit(const std::string& caption = "Install", Millis timeout = kRunWait);

    // The process's top-level windows with class, caption, visibility and, for
    // message boxes, their text: for failure messages.
    std::string describeWindows() const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

std::string windowText(HWND window);
std::string className(HWND window);
// A message box's caption, text and icon control.
MessageBoxInfo readMessageBox(HWND box);
// Pixels of the box's icon that are clearly red: how the error icon (a red
// disc) tells itself from the others on screen.
int redIconPixels(const MessageBoxInfo& box, const Screen& screen);

// --- Shared by the installation tests -------------------------------------

// Starts the installer in source, types target into the edit box, presses
// Start and waits for the installer to end; returns its exit code.
DWORD installInto(const std::string& source, const std::string& target);
// Waits for the main window, types target and presses Start.
bool startInto(Installer& app, const std::string& target);
// Expects the next box of this caption to hold this text; answers it.
void expectBox(Installer& app, const std::string& caption, const std::string& text, int buttonId = IDOK);
// Expects the closing warning of a run whose steps did not all complete:
// caption "Install", an icon, the count, the first names; answers it.
void expectClosingWarning(Installer& app, int count, const std::vector<std::string>& named);
std::vector<std::string> sorted(std::vector<std::string> names);
// Whether programs started here run with an administrator's rights (under
// Wine they do): the installer then keeps its uninstaller and record in a
// protected folder, not in the target.
bool runsElevated();
// The names with what every completed installation leaves in its target
// (uninstall.dat and uninstall.exe, when it ran without elevation), sorted.
std::vector<std::string> withUninstaller(std::vector<std::string> names);
// dicttool.exe: env DICTTOOL_EXE, else beside install.exe.
std::string toolPath();
// Runs dicttool.exe with the arguments, its standard output into a file;
// returns its exit code.
DWORD runTool(const std::string& arguments, const std::string& outputFile);
// The whole file, or "<missing>".
std::string contentOf(const std::string& path);
// One 84-byte word-list record: the word in 31 bytes, the meanings in 51,
// two reserved bytes, each field zero-filled behind its text.
std::string wordRecord(const char* word, const char* meanings);
// base extended by folders of 'd's to a path of exactly length characters.
std::string pathOfLength(const std::string& base, size_t length);

}  // namespace e2e

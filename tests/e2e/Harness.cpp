#include "Harness.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace e2e {

const int kAllControls[10] = {kFramePanel,  kEditBox,    kDriveList,        kFolderList,  kStartButton,
                              kStopButton,  kChangeDirButton, kPromptLabel, kDriveCaption, kFolderCaption};

const char* controlName(int id) {
    switch (id) {
    case kStartButton: return "Start button";
    case kStopButton: return "Stop button";
    case kChangeDirButton: return "Change Directory button";
    case kFramePanel: return "frame panel";
    case kPromptLabel: return "prompt label";
    case kDriveCaption: return "drive caption";
    case kFolderCaption: return "folder caption";
    case kDriveList: return "drive list";
    case kFolderList: return "folder list";
    case kEditBox: return "edit box";
    }
    return "control";
}

std::string toString(const Rect& r) {
    return "(" + std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" +
           std::to_string(r.h) + ")";
}

std::string toString(const Rgb& c) {
    return "RGB(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

std::string toString(const ControlState& s) {
    if (!s.exists) return "missing";
    return std::string(s.visible ? "visible" : "hidden") + (s.enabled ? "" : " disabled") + " " + toString(s.rect) +
           " \"" + s.text + "\"";
}

std::string toString(const Snapshot& s) {
    std::string out;
    for (const auto& [id, state] : s) out += "\n  " + std::to_string(id) + " " + controlName(id) + ": " + toString(state);
    return out;
}

std::string differences(const Snapshot& before, const Snapshot& after) {
    std::string out;
    for (const auto& [id, state] : before) {
        auto it = after.find(id);
        ControlState now = it == after.end() ? ControlState{} : it->second;
        if (now != state)
            out += "\n  " + std::string(controlName(id)) + ": was " + toString(state) + ", now " + toString(now);
    }
    return out;
}

// --- Files -----------------------------------------------------------------

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

struct FindCloser {
    void operator()(HANDLE h) const { FindClose(h); }
};

std::string parentOf(const std::string& path) {
    auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Calls visit(name, isDirectory) for every entry of a folder but "." and "..".
template <class Visit>
void forEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(joinPath(folder, "*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return;
    std::unique_ptr<void, FindCloser> holder(h);
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(h, &data));
}

void listInto(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
    forEachEntry(folder, [&](const std::string& name, bool dir) {
        out.push_back(prefix + name + (dir ? "\\" : ""));
        if (dir) listInto(joinPath(folder, name), prefix + name + "\\", out);
    });
}

}  // namespace

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

bool pathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isReadOnly(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

std::string programsFolder() {
    char path[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, TRUE))
        return {};
    return path;
}

void makeDirectories(const std::string& path) {
    if (path.empty() || isDirectory(path)) return;
    makeDirectories(parentOf(path));
    CreateDirectoryA(path.c_str(), nullptr);
}

void writeFile(const std::string& path, const std::string& content) {
    makeDirectories(parentOf(path));
    File f(std::fopen(path.c_str(), "wb"));
    ASSERT_TRUE(f) << "cannot write " << path;
    ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), f.get()), content.size()) << "short write to " << path;
}

std::optional<std::string> readFile(const std::string& path) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return std::nullopt;
    std::string content;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) content.append(buffer, n);
    return content;
}

void removeTree(const std::string& path) {
    if (!isDirectory(path)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        return;
    }
    forEachEntry(path, [&](const std::string& name, bool) { removeTree(joinPath(path, name)); });
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> listTree(const std::string& folder) {
    std::vector<std::string> out;
    listInto(folder, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

// --- Workspace -------------------------------------------------------------

namespace {

std::string environment(const char* name) {
    char buffer[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string workBase() {
    std::string base = environment("E2E_WORK");
    if (!base.empty()) return base;
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    return joinPath(n > 0 && n < sizeof temp ? std::string(temp, n) : std::string("C:\\"), "install-e2e");
}

// A folder name from the running test's name: parameterised names hold "/".
std::string currentTestFolderName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "no-test";
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '<' || c == '>' || c == '|') c = '_';
    return name;
}

}  // namespace

Workspace::Workspace() : root_(joinPath(workBase(), currentTestFolderName())) {
    removeTree(root_);
    makeDirectories(root_);
    EXPECT_TRUE(isDirectory(root_)) << "cannot make the work folder " << root_;
}

Workspace::~Workspace() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info && info->result()->Failed()) {
        std::printf("  (work folder kept: %s)\n", root_.c_str());
        return;
    }
    removeTree(root_);
}

std::string Workspace::makeSource(const std::optional<std::string>& installInf,
                                  const std::vector<std::pair<std::string, std::string>>& files,
                                  const std::string& relative) {
    std::string folder = path(relative);
    removeTree(folder);
    makeDirectories(folder);
    if (installInf) writeFile(joinPath(folder, "install.inf"), *installInf);
    for (const auto& [name, content] : files) writeFile(joinPath(folder, name), content);
    return folder;
}

// --- Screen ----------------------------------------------------------------

Screen Screen::capture() {
    Screen s;
    s.width_ = GetSystemMetrics(SM_CXSCREEN);
    s.height_ = GetSystemMetrics(SM_CYSCREEN);
    s.bits_.assign(static_cast<size_t>(s.width_) * s.height_, 0);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = s.width_;
    info.bmiHeader.biHeight = -s.height_;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap && pixels) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, s.width_, s.height_, screen, 0, 0, SRCCOPY);
        GdiFlush();
        std::copy_n(static_cast<const std::uint32_t*>(pixels), s.bits_.size(), s.bits_.begin());
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return s;
}

Rgb Screen::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{-1, -1, -1};
    std::uint32_t v = bits_[static_cast<size_t>(y) * width_ + x];
    return Rgb{static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
}

int Screen::count(int left, int top, int right, int bottom, const std::function<bool(Rgb)>& pred) const {
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y)
        for (int x = std::max(left, 0); x < std::min(right, width_); ++x)
            if (pred(pixel(x, y))) ++n;
    return n;
}

Screen waitForScreen(const std::function<bool(const Screen&)>& pred, Millis timeout) {
    Screen last = Screen::capture();
    waitUntil([&] {
        last = Screen::capture();
        return pred(last);
    }, timeout);
    return last;
}

// The display's depth does not change during a run: asked once.
bool lowColourDisplay() {
    static const bool low = [] {
        HDC screen = GetDC(nullptr);
        int bits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
        return bits < 24;
    }();
    return low;
}

bool sameColour(Rgb seen, Rgb drawn) {
    const int tolerance = lowColourDisplay() ? 8 : 0;
    return std::abs(seen.r - drawn.r) <= tolerance && std::abs(seen.g - drawn.g) <= tolerance &&
           std::abs(seen.b - drawn.b) <= tolerance;
}

// --- Windows of another process ---------------------------------------------

double timeScale() {
    static const double scale = [] {
        const char* text = std::getenv("E2E_TIME_SCALE");
        if (!text || !*text) return 1.0;
        char* end = nullptr;
        const double value = std::strtod(text, &end);
        if (*end || !(value > 0) || value > 1000) {
            std::fprintf(stderr, "E2E_TIME_SCALE=%s is not a factor above 0: 1 is used\n", text);
            return 1.0;
        }
        return value;
    }();
    return scale;
}

Millis scaled(Millis base) {
    return Millis(static_cast<Millis::rep>(static_cast<double>(base.count()) * timeScale()));
}

DWORD scaledMs(Millis base) {
    return static_cast<DWORD>(scaled(base).count());
}

bool waitUntil(const std::function<bool()>& pred, Millis timeout) {
    auto deadline = std::chrono::steady_clock::now() + scaled(timeout);
    for (;;) {
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(Millis(25));
    }
}

namespace {

const UINT kSendTimeoutMs = scaledMs(Millis(3000));

// WM_GETTEXT is marshalled between processes; GetWindowText is not for controls.
std::string sentText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return "<no answer>";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied))
        return "<no answer>";
    text.resize(std::min<size_t>(copied, length));
    return text;
}

}  // namespace

std::string windowText(HWND window) {
    return sentText(window);
}

std::string className(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

MessageBoxInfo readMessageBox(HWND box) {
    MessageBoxInfo info;
    info.window = box;
    char caption[512] = "";
    GetWindowTextA(box, caption, sizeof caption);  // a top-level caption is read without a message
    info.caption = caption;

    // The text is the static control with id 0xFFFF; failing that, the first
    // non-icon static that holds text.
    HWND textControl = GetDlgItem(box, 0xFFFF);
    if (textControl) info.text = sentText(textControl);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_stricmp(className(child).c_str(), "Static") != 0) continue;
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            info.iconControl = child;
            DWORD_PTR icon = 0;
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon);
            info.iconSet = icon != 0 && IsWindowVisible(child);
        } else if (!textControl && info.text.empty()) {
            info.text = sentText(child);
        }
    }
    return info;
}

int redIconPixels(const MessageBoxInfo& box, const Screen& screen) {
    if (!box.iconControl) return 0;
    RECT r;
    GetWindowRect(box.iconControl, &r);
    return screen.count(r.left, r.top, r.right, r.bottom,
                        [](Rgb c) { return c.r >= 150 && c.g <= 90 && c.b <= 90; });
}

// --- Installer ---------------------------------------------------------------

std::string installerPath() {
    std::string fromEnv = environment("INSTALL_EXE");
    if (!fromEnv.empty()) return fromEnv;
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string folder = parentOf(self);
    std::string beside = joinPath(folder, "install.exe");
    if (pathExists(beside)) return beside;
    return joinPath(parentOf(parentOf(folder)), "install.exe");
}

Installer::Installer(const std::string& currentDir, const std::string& program, const std::string& arguments) {
    const std::string& exe = program;
    if (!pathExists(exe)) {
        ADD_FAILURE() << exe << " not found (for install.exe, set INSTALL_EXE)";
        return;
    }
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Wine now and then answers a start right after a killed process's end
    // with an internal error: that start is tried again.
    bool created = false;
    for (int attempt = 0; attempt < 5 && !created; ++attempt) {
        created = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 currentDir.c_str(), &startup, &info);
        if (!created && GetLastError() != ERROR_INTERNAL_ERROR)
            break;
        if (!created)
            Sleep(200);
    }
    if (!created) {
        ADD_FAILURE() << "CreateProcess of " << exe << " in " << currentDir << " failed: error " << GetLastError();
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
}

Installer::Installer(const std::wstring& currentDir, const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, currentDir.c_str(),
                        &startup, &info)) {
        ADD_FAILURE() << "CreateProcessW failed: error " << GetLastError();
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
}

Installer::~Installer() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, scaledMs(Millis(5000)));
    }
    CloseHandle(process_);
}

bool Installer::running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

namespace {

struct WindowSearch {
    DWORD pid;
    const char* wantedClass;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->pid) return TRUE;
    if (search->wantedClass && className(window) != search->wantedClass) return TRUE;
    search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> Installer::topLevelWindows(const char* wantedClass) const {
    WindowSearch search{pid_, wantedClass, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Installer::describeWindows() const {
    std::string out;
    for (HWND window : topLevelWindows()) {
        char caption[512] = "";
        GetWindowTextA(window, caption, sizeof caption);
        std::string cls = className(window);
        out += "\n  window class \"" + cls + "\" caption \"" + caption + "\"" +
               (IsWindowVisible(window) ? " visible" : " hidden");
        if (cls == "#32770") out += " text \"" + readMessageBox(window).text + "\"";
    }
    if (out.empty()) out = " no windows";
    DWORD code = 0;
    if (process_ && GetExitCodeProcess(process_, &code) && code != STILL_ACTIVE)
        out += "\n  process ended with exit code " + std::to_string(code);
    return out;
}

HWND Installer::waitForMainWindow(Millis timeout) {
    if (!process_) return nullptr;
    bool found = waitUntil([&] {
        for (HWND window : topLevelWindows("Install"))
            if (IsWindowVisible(window)) {
                main_ = window;
                return true;
            }
        return !running();
    }, timeout);
    if (!found || !main_) {
        ADD_FAILURE() << "expected a visible main window of class \"Install\" within " << scaled(timeout).count()
                      << " ms, got:" << describeWindows();
        return nullptr;
    }
    return main_;
}

HWND Installer::control(int id) const {
    return main_ ? GetDlgItem(main_, id) : nullptr;
}

ControlState Installer::controlState(int id) const {
    ControlState state;
    HWND window = control(id);
    if (!window) return state;
    state.exists = true;
    state.visible = IsWindowVisible(window) != FALSE;
    state.enabled = IsWindowEnabled(window) != FALSE;
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&r), 2);
    state.rect = Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    state.text = sentText(window);
    return state;
}

Snapshot Installer::snapshot() const {
    Snapshot s;
    for (int id : kAllControls) s[id] = controlState(id);
    return s;
}

std::string Installer::text(int id) const {
    HWND window = control(id);
    return window ? sentText(window) : "<no control " + std::to_string(id) + ">";
}

bool Installer::setText(int id, const std::string& text) {
    HWND window = control(id);
    DWORD_PTR result = 0;
    bool sent = window && SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                              SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    if (!sent || !result) {
        ADD_FAILURE() << "could not set the text of the " << controlName(id) << " to \"" << text << "\"";
        return false;
    }
    // A control may keep less than it was given (an edit box may stop at its width).
    std::string shown = sentText(window);
    if (shown != text) {
        ADD_FAILURE() << "set the text of the " << controlName(id) << " to \"" << text << "\", got \"" << shown << "\"";
        return false;
    }
    return true;
}

void Installer::click(int id) {
    HWND window = control(id);
    EXPECT_TRUE(window) << "no " << controlName(id) << " to click";
    PostMessageA(window, BM_CLICK, 0, 0);
}

void Installer::command(int id, int notification) {
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control(id)));
}

void Installer::pressEnter(int id) {
    HWND window = control(id);
    EXPECT_TRUE(window) << "no " << controlName(id) << " to press Enter in";
    const LPARAM repeatAndScanCode = 1 | (MapVirtualKeyA(VK_RETURN, MAPVK_VK_TO_VSC) << 16);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, repeatAndScanCode);
    PostMessageA(window, WM_KEYUP, VK_RETURN, repeatAndScanCode | (1u << 30) | (1u << 31));
}

void Installer::requestClose() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
}

bool Installer::sync(Millis timeout) {
    DWORD_PTR result = 0;
    bool answered = main_ && SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                                 scaledMs(timeout), &result);
    if (!answered)
        ADD_FAILURE() << "the main window did not answer within " << scaled(timeout).count() << " ms:" << describeWindows();
    return answered;
}

std::vector<MessageBoxInfo> Installer::messageBoxes() const {
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : topLevelWindows("#32770"))
        if (IsWindowVisible(window)) boxes.push_back(readMessageBox(window));
    return boxes;
}

std::optional<MessageBoxInfo> Installer::waitForMessageBox(const std::string& caption, Millis timeout) {
    std::optional<MessageBoxInfo> found;
    waitUntil([&] {
        for (const MessageBoxInfo& box : messageBoxes())
            if (box.caption == caption) {
                found = box;
                return true;
            }
        return !running();
    }, timeout);
    if (!found)
        ADD_FAILURE() << "expected a message box captioned \"" << caption << "\" within " << scaled(timeout).count()
                      << " ms, got:" << describeWindows();
    return found;
}

bool Installer::answer(const MessageBoxInfo& box, int buttonId, Millis timeout) {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    bool gone = waitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, timeout);
    if (!gone)
        ADD_FAILURE() << "expected the box \"" << box.caption << "\" to close after answer " << buttonId
                      << ", got:" << describeWindows();
    return gone;
}

DWORD Installer::waitForExit(Millis timeout) {
    if (!process_) return STILL_ACTIVE;
    if (WaitForSingleObject(process_, scaledMs(timeout)) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "expected install.exe to end within " << scaled(timeout).count() << " ms, got:"
                      << describeWindows();
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

DWORD Installer::answerBoxesUntilExit(const std::string& caption, Millis timeout) {
    waitUntil([&] {
        for (const MessageBoxInfo& box : messageBoxes())
            if (box.caption == caption) answer(box);
        return !running();
    }, timeout);
    return waitForExit(Millis(1000));
}

// Starts the installer in source, types target into the edit box, presses
// Start and waits for the installer to end; returns its exit code.
DWORD installInto(const std::string& source, const std::string& target) {
    Installer app(source);
    if (!app.waitForMainWindow() || !app.setText(kEditBox, target))
        return STILL_ACTIVE;
    app.click(kStartButton);
    return app.waitForExit();
}

bool startInto(Installer& app, const std::string& target) {
    if (!app.waitForMainWindow() || !app.setText(kEditBox, target))
        return false;
    app.click(kStartButton);
    return true;
}

void expectBox(Installer& app, const std::string& caption, const std::string& text, int buttonId) {
    auto box = app.waitForMessageBox(caption);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, text) << "in the box captioned \"" << caption << "\"";
    ASSERT_TRUE(app.answer(*box, buttonId));
}

void expectClosingWarning(Installer& app, int count, const std::vector<std::string>& named) {
    std::string text = std::to_string(count) + (count == 1 ? " step" : " steps") +
                       " of the installation did not complete:\n";
    for (const std::string& name : named)
        text += "\n" + name;
    if (count > static_cast<int>(named.size()))
        text += "\n... and " + std::to_string(count - named.size()) + " more";
    auto box = app.waitForMessageBox("Install");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, text);
    EXPECT_TRUE(box->iconSet) << "the closing warning shows no icon";
    ASSERT_TRUE(app.answer(*box));
}

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

bool runsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return known && elevation.TokenIsElevated;
}

std::vector<std::string> withUninstaller(std::vector<std::string> names) {
    if (!runsElevated()) {
        names.push_back("uninstall.dat");
        names.push_back("uninstall.exe");
    }
    return sorted(names);
}

std::string environmentValue(const char* name) {
    char value[MAX_PATH * 2] = "";
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : "";
}

std::string toolPath() {
    const std::string fromEnv = environmentValue("DICTTOOL_EXE");
    if (!fromEnv.empty())
        return fromEnv;
    const std::string installer = installerPath();
    return joinPath(installer.substr(0, installer.find_last_of('\\')), "dicttool.exe");
}

// Runs dicttool.exe with the arguments, its standard output into a file;
// returns its exit code.
DWORD runTool(const std::string& arguments, const std::string& outputFile) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(output, INVALID_HANDLE_VALUE) << "cannot create " << outputFile;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::string command = "\"" + toolPath() + "\" " + arguments;
    DWORD code = STILL_ACTIVE;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, scaledMs(kRunWait)) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &code);
        else
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    } else {
        ADD_FAILURE() << "cannot start " << command;
    }
    CloseHandle(output);
    return code;
}

std::string contentOf(const std::string& path) {
    return readFile(path).value_or("<missing>");
}

// One 84-byte word-list record: the word in 31 bytes, the meanings in 51,
// two reserved bytes, each field zero-filled behind its text.
std::string wordRecord(const char* word, const char* meanings) {
    std::string record(84, '\0');
    std::memcpy(&record[0], word, std::min<size_t>(std::strlen(word), 30));
    std::memcpy(&record[31], meanings, std::min<size_t>(std::strlen(meanings), 50));
    return record;
}

// base extended by folders of 'd's to a path of exactly length characters.
std::string pathOfLength(const std::string& base, size_t length) {
    std::string path = base;
    while (path.size() + 61 < length)
        path += "\\" + std::string(50, 'd');
    if (path.size() + 1 < length)
        path += "\\" + std::string(length - path.size() - 1, 'd');
    return path;
}

}  // namespace e2e

// The drawing primitives of the progress display, run in this process on a
// full-screen window of its own and read back from the screen: the progress
// bar at every stage, the counter box, status lines and "[Done]" marks, the
// shadowed heading text and the gradient at any window height.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "Harness.h"
#include "ProgressPixels.h"
#include "app/App.h"
#include "run/ScriptSettings.h"
#include "run/Progress.h"

using e2e::Rgb;
using e2e::Screen;
using e2e::sameColour;
using e2e::toString;
using namespace progress;

namespace {

// Width and height of a text in the system font, as GDI measures it.
SIZE systemFontExtent(const std::string& text) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, GetStockObject(SYSTEM_FONT));
    SIZE size{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return size;
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Captures the screen, letting this thread's window reach it first, until
// pred accepts the capture or the time is up; the last capture either way.
Screen captureWhen(const std::function<bool(const Screen&)>& pred, e2e::Millis timeout = e2e::Millis(3000)) {
    auto deadline = std::chrono::steady_clock::now() + e2e::scaled(timeout);
    for (;;) {
        pumpMessages();
        GdiFlush();
        Screen s = Screen::capture();
        if (pred(s) || std::chrono::steady_clock::now() >= deadline) return s;
        std::this_thread::sleep_for(e2e::Millis(30));
    }
}

LRESULT CALLBACK gradientWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        paintGradient(dc, client);
        EndPaint(window, &paint);
        return 0;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A topmost popup window of this process that paints the installer's
// gradient, made the main window of windowHandles for the primitives.
class GradientWindow {
public:
    GradientWindow(int x, int y, int width, int height) : x_(x), y_(y), width_(width), height_(height) {
        static const ATOM registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = gradientWindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.lpszClassName = "PrimitivesTestWindow";
            return RegisterClassA(&wc);
        }();
        EXPECT_NE(registered, 0);
        window_ = CreateWindowExA(WS_EX_TOPMOST, "PrimitivesTestWindow", "primitives", WS_POPUP | WS_VISIBLE, x, y,
                                  width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_TRUE(window_) << "CreateWindowEx failed: " << GetLastError();
        UpdateWindow(window_);
    }
    ~GradientWindow() {
        if (window_) DestroyWindow(window_);
        pumpMessages();
    }
    GradientWindow(const GradientWindow&) = delete;
    GradientWindow& operator=(const GradientWindow&) = delete;

    HWND handle() const { return window_; }
    // The colour this window's background has at screen line y, as settle
    // saw it in the window's rightmost column.
    Rgb background(int y) const { return painted_.pixel(x_ + width_ - 1, y); }

    // Waits until the window shows its gradient on the screen, the same
    // across each line; the capture.
    Screen settle() {
        auto faults = [this](const Screen& s) {
            std::string found = gradientFaults(s, x_ + width_ - 1, y_, y_ + height_);
            for (int y = y_; y < y_ + height_ && found.empty(); y += 7)
                for (int x : {x_, x_ + width_ / 2})
                    if (!sameColour(s.pixel(x, y), s.pixel(x_ + width_ - 1, y)) && found.empty())
                        found = "line " + std::to_string(y) + " is not one colour";
            return found;
        };
        painted_ = captureWhen([&](const Screen& s) { return faults(s).empty(); }, e2e::Millis(5000));
        EXPECT_EQ(faults(painted_), "") << "the test window did not show its gradient";
        return painted_;
    }

private:
    HWND window_ = nullptr;
    int x_, y_, width_, height_;
    Screen painted_;
};

// The pixels of a rectangle that changed between two captures.
int changedPixels(const Screen& before, const Screen& after, int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += before.pixel(x, y) != after.pixel(x, y);
    return n;
}

// Pixels changed outside the rectangle but within a margin around it.
int changedAround(const Screen& before, const Screen& after, int left, int top, int right, int bottom, int margin) {
    return changedPixels(before, after, left - margin, top - margin, right + margin, bottom + margin) -
           changedPixels(before, after, left, top, right, bottom);
}

// The primitives draw on a full-screen window of this process, as they do
// on the installer's, with the handles and the layout set up as the
// installer sets them.
class PaintingPrimitives : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<GradientWindow>(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        windowHandles.mainWindow = window_->handle();
        windowHandles.headingFont.reset(createHeadingFont());
        windowHandles.waitCursor = LoadCursor(nullptr, IDC_WAIT);
        setProgressPainter(windowPainter());
        scriptSettings.verbose = 1;
        progressLayout.statusY = 195;
        screen_ = window_->settle();
        beginLanguageDrawing();
        ASSERT_TRUE(windowHandles.builderDc.get()) << "no builder drawing context";
    }
    void TearDown() override {
        endLanguageDrawing();
        windowHandles = WindowHandles{};
        scriptSettings = ScriptSettings{};
        progressLayout = ProgressLayout{};
        comparisonCount = 0;
        window_.reset();
    }

    Rgb background(int y) const { return window_->background(y); }

    std::unique_ptr<GradientWindow> window_;
    Screen screen_;  // the settled window before the test drew anything
};

}  // namespace

// --- The progress bar --------------------------------------------------------

// At each of the builder's six stages, and back to an empty bar, the bar has
// its white frame, green exactly up to the fill edge and navy behind it, and
// its text white and centred in the system font, even while the builder's
// drawing context holds the heading font.
TEST_F(PaintingPrimitives, ProgressBarIsFilledExactlyUpToItsEdgeAtEveryStage) {
    const int top = 155;
    drawLanguageName("Italiano", 100);  // leaves the heading font in the builder's context
    struct Stage {
        int fillRight;
        const char* text;
    };
    const Stage stages[] = {{0, "0%"},    {64, "10%"},   {117, "25%"}, {205, "50%"},
                            {292, "75%"}, {379, "100%"}, {0, "0%"}};
    const SIZE lineHeight = systemFontExtent("0");
    auto background = [this](int y) { return this->background(y); };

    for (const Stage& stage : stages) {
        SCOPED_TRACE(std::string("fill edge ") + std::to_string(stage.fillRight) + ", text " + stage.text);
        drawProgressBar(kBarLeft, top, kBarRight, top + 20, stage.fillRight, stage.text);
        Screen s = captureWhen([&](const Screen& s) { return readBar(s, top, stage.fillRight, background).faults.empty(); });
        BarReading bar = readBar(s, top, stage.fillRight, background);
        EXPECT_EQ(bar.faults, "");

        ASSERT_FALSE(bar.text.empty()) << "no text in the bar";
        EXPECT_GT(bar.whiteText, 0) << "the bar's text should be white";
        const int centreX2 = bar.text.left + bar.text.right, centreY2 = bar.text.top + bar.text.bottom;
        EXPECT_NEAR(centreX2, kBarLeft + kBarRight, 4) << "text not centred across: ink from x " << bar.text.left
                                                       << " to " << bar.text.right;
        EXPECT_NEAR(centreY2, 2 * top + 20, 5) << "text not centred down: ink from y " << bar.text.top << " to "
                                               << bar.text.bottom;
        const SIZE extent = systemFontExtent(stage.text);
        EXPECT_LE(bar.text.height(), lineHeight.cy) << "the text is taller than the system font's line";
        EXPECT_NEAR(bar.text.width(), extent.cx, 4) << "the text is not as wide as \"" << stage.text
                                                    << "\" in the system font";
    }
}

// --- The counter box and the status lines --------------------------------------

namespace {

struct CounterReading {
    std::string faults;
    Box text;
};

// The counter box at (280, top, 360, top + 16): dark blue with white text;
// the ring around it untouched.
CounterReading readCounter(const Screen& s, int top, const std::function<Rgb(int)>& background) {
    CounterReading r;
    std::string inside, ring;
    for (int y = top - 1; y <= top + 16; ++y)
        for (int x = 279; x <= 360; ++x) {
            Rgb c = s.pixel(x, y);
            if (y == top - 1 || y == top + 16 || x == 279 || x == 360) {
                if (!sameColour(c, background(y)) && ring.empty())
                    ring = "outside the box at " + at(x, y) + " expected " + toString(background(y)) + ", got " +
                           toString(c);
                continue;
            }
            double t = towardWhite(c, kCounterBlue);
            if (t < 0) {
                if (inside.empty())
                    inside = "in the box at " + at(x, y) + " expected " + toString(kCounterBlue) +
                             " or white text on it, got " + toString(c);
                continue;
            }
            if (t >= 0.5) r.text.add(x, y);
        }
    for (const std::string& f : {inside, ring})
        if (!f.empty()) r.faults += "\n  " + f;
    return r;
}

}  // namespace

// The counter box on a status row shows the multiples of 100 it is given,
// white on (0, 0, 104), written from its left edge; other indexes leave it as
// it is. The comparison count shows every 1000th comparison, and nothing
// while verbose is off.
TEST_F(PaintingPrimitives, CounterBoxShowsEveryHundredthIndexWhiteOnDarkBlue) {
    const int row = progressLayout.statusY;
    auto background = [this](int y) { return this->background(y); };
    drawStatusLine("Reading FROM wordlist...", 480);
    placeCounterBox();

    auto expectShows = [&](const std::string& number) {
        SCOPED_TRACE("showing " + number);
        Screen s = captureWhen([&](const Screen& s) {
            CounterReading c = readCounter(s, row, background);
            return c.faults.empty() && std::abs(c.text.width() - systemFontExtent(number).cx) <= 3;
        });
        CounterReading counter = readCounter(s, row, background);
        EXPECT_EQ(counter.faults, "");
        EXPECT_NEAR(counter.text.width(), systemFontExtent(number).cx, 3) << "the box should show " << number;
        EXPECT_LE(counter.text.left, 282) << "the count should start at the box's left edge";
        EXPECT_LE(counter.text.top, row + 3) << "the count should start at the box's top";
        return s;
    };

    showCounter(0);
    Screen shown = expectShows("0");
    showCounter(150);
    showCounter(299);
    Screen after = captureWhen([](const Screen&) { return true; });
    EXPECT_EQ(changedPixels(shown, after, 279, row - 1, 361, row + 17), 0) << "indexes 150 and 299 drew something";
    showCounter(200);
    expectShows("200");

    comparisonCount = 0;
    for (int i = 0; i < 1001; ++i) countComparison();
    EXPECT_EQ(comparisonCount, 1001);
    Screen thousand = expectShows("1000");

    scriptSettings.verbose = 0;
    for (int i = 0; i < 1000; ++i) countComparison();
    EXPECT_EQ(comparisonCount, 1001) << "nothing is counted while verbose is off";
    after = captureWhen([](const Screen&) { return true; });
    EXPECT_EQ(changedPixels(thousand, after, 279, row - 1, 361, row + 17), 0) << "the box changed while verbose was off";
}

// A status line is white text from x 30, clipped at its right edge; "[Done]"
// stands on the same row from x 210 and moves the next row 25 pixels down.
TEST_F(PaintingPrimitives, StatusLinesAreWhiteAndDoneMarksEndTheirRow) {
    auto isWhite = [](Rgb c) { return sameColour(c, kWhite); };

    const int row = progressLayout.statusY;
    drawStatusLine("Sorting TO wordlist... and a text far too long for its row of the display", 400);
    Screen s = captureWhen([&](const Screen& s) { return s.count(30, row, 400, row + 30, isWhite) > 0; });
    EXPECT_GT(s.count(30, row, 400, row + 30, isWhite), 20) << "no white status text at " << at(30, row);
    EXPECT_EQ(changedAround(screen_, s, 30, row, 400, row + 30, 40), 0) << "status text outside (30, " << row
                                                                        << ", 400, " << row + 30 << ")";

    drawDoneMark();
    EXPECT_EQ(progressLayout.statusY, row + 25);
    Screen done = captureWhen([&](const Screen& d) { return changedPixels(s, d, 0, 0, d.width(), d.height()) > 0; });
    Box mark;
    for (int y = row - 5; y < row + 40; ++y)
        for (int x = 0; x < 600; ++x)
            if (done.pixel(x, y) != s.pixel(x, y)) mark.add(x, y);
    ASSERT_FALSE(mark.empty()) << "no \"[Done]\" drawn";
    EXPECT_GE(mark.left, 210) << "\"[Done]\" starts left of x 210";
    EXPECT_LE(mark.left, 213);
    EXPECT_GE(mark.top, row);
    EXPECT_GT(done.count(mark.left, mark.top, mark.right, mark.bottom, isWhite), 0) << "\"[Done]\" is not white";
    EXPECT_NEAR(mark.width(), systemFontExtent("[Done]").cx, 3);

    drawStatusLine("Writing TO wordlist...", 480);
    Screen next = captureWhen([&](const Screen& n) { return changedPixels(done, n, 0, row + 25, 480, row + 55) > 0; });
    EXPECT_GT(next.count(30, row + 25, 480, row + 55, isWhite), 0) << "the next line should stand 25 pixels lower";
}

// --- Heading text and gradient ---------------------------------------------------

// A language name in the heading style: light face (230, 230, 230), its black
// shadow exactly 2 pixels right and below, clipped at x 480.
TEST_F(PaintingPrimitives, ShadowedTextIsLightOnABlackShadowTwoPixelsBelowRight) {
    const int top = 100;
    drawLanguageName("Italiano Inglese Spagnolo Tedesco Francese", top);
    auto isFace = [](Rgb c) { return sameColour(c, kFace); };
    auto isShadow = [](Rgb c) { return sameColour(c, kShadow); };
    Screen s = captureWhen([&](const Screen& s) { return s.count(28, top - 2, 480, top + 40, isFace) > 100; });

    EXPECT_GT(s.count(28, top - 2, 480, top + 40, isFace), 100) << "no face pixels";
    EXPECT_GT(s.count(28, top - 2, 480, top + 40, isShadow), 100) << "no shadow pixels";
    EXPECT_EQ(changedAround(screen_, s, 28, top - 2, 480, top + 40, 60), 0)
        << "text drawn outside (28, " << top - 2 << ", 480, " << top + 40 << "): not clipped";
    Box ink;
    for (int y = top - 2; y < top + 40; ++y)
        for (int x = 28; x < 480; ++x)
            if (s.pixel(x, y) != screen_.pixel(x, y)) ink.add(x, y);
    EXPECT_GE(ink.right, 478) << "the long name should reach the clip edge";
    EXPECT_GT(ink.height(), 24) << "the name should be in the 40-pixel heading font";

    // Each fully covered shadow pixel has the face 2 pixels up and left.
    int misplaced = 0;
    std::string first;
    for (int y = top; y < top + 40; ++y)
        for (int x = 30; x < 480; ++x)
            if (isShadow(s.pixel(x, y)) && !isFace(s.pixel(x - 2, y - 2))) {
                if (first.empty()) first = at(x, y) + " has " + toString(s.pixel(x - 2, y - 2)) + " up and left";
                ++misplaced;
            }
    EXPECT_EQ(misplaced, 0) << "shadow pixels without the face 2 pixels up and left; first " << first;
}

// On a true-colour screen the gradient follows the window's own height: a
// window shorter than the screen runs all the way from blue 200 on its top
// line to blue 14 on its bottom line, with the gradient's properties on the
// way (settle checks them).
TEST(PaintingTrueColour, GradientFollowsTheWindowsHeight) {
    if (e2e::lowColourDisplay()) GTEST_SKIP() << "a low-colour screen shows the flat background";
    GradientWindow window(100, 200, 300, 250);
    Screen s = window.settle();
    EXPECT_EQ(gradientFaults(s, 250, 200, 450), "");
    EXPECT_EQ(s.pixel(100, 200), (Rgb{0, 0, 200}));
    EXPECT_EQ(s.pixel(399, 449), (Rgb{0, 0, 14}));
}

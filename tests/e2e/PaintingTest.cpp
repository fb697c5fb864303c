// What the installer's main window paints, read back from the screen: the
// blue gradient behind everything (true colour and low colour) and the
// heading with its shadow.
#include "Harness.h"
#include "ProgressPixels.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace e2e;
using progress::at;
using progress::kCounterBlue;
using progress::kFace;
using progress::kShadow;

namespace {

// The first line of column x that does not show the gradient, described;
// empty when all do: the gradient's properties in the rightmost column,
// and column x the same on every line.
std::string gradientMismatch(const Screen& s, int x) {
    if (std::string faults = progress::gradientFaults(s, s.width() - 1, 0, s.height()); !faults.empty())
        return faults;
    for (int y = 0; y < s.height(); ++y)
        if (!sameColour(s.pixel(x, y), progress::backgroundOf(s, y)))
            return "at (" + std::to_string(x) + "," + std::to_string(y) + ") expected " +
                   toString(progress::backgroundOf(s, y)) + ", got " + toString(s.pixel(x, y));
    return "";
}

// Whether a pixel of line y is (about) the background: the edges of
// smoothed text blend with it.
bool showsBackground(const Screen& s, Rgb c, int y) {
    Rgb g = progress::backgroundOf(s, y);
    return std::abs(c.r - g.r) <= 24 && std::abs(c.g - g.g) <= 24 && std::abs(c.b - g.b) <= 24;
}

// The heading's area, widened by the 2 pixels the light face is moved up and left.
constexpr int kLeft = 28, kTop = 18, kRight = 480, kBottom = 90;

}  // namespace

// The script's title is drawn as the heading, light on a black shadow (whose
// exact placement the primitives test checks), clipped at x 480; without a
// title the heading's area shows only the gradient.
TEST(Painting, TitleIsDrawnLightOnADarkShadowAndClipped) {
    Workspace work;
    {
        Installer app(work.makeSource("title Dictionary Setup for Everyone Who Reads Many Words\n", {}, "titled"));
        ASSERT_TRUE(app.waitForMainWindow());
        auto isFace = [](Rgb c) { return sameColour(c, kFace); };
        auto isShadow = [](Rgb c) { return sameColour(c, kShadow); };
        Screen s = waitForScreen([&](const Screen& s) {
            return s.count(kLeft, kTop, kRight, kBottom, isFace) > 0 &&
                   s.count(kLeft, kTop, kRight, kBottom, isShadow) > 0;
        }, Millis(5000));
        EXPECT_GT(s.count(kLeft, kTop, kRight, kBottom, isFace), 0) << "no pixel of the heading's face";
        EXPECT_GT(s.count(kLeft, kTop, kRight, kBottom, isShadow), 0) << "no pixel of the heading's shadow";
        int beyond = 0;
        for (int y = 0; y < kBottom + 10; ++y)
            for (int x = kRight; x < s.width(); ++x) beyond += !showsBackground(s, s.pixel(x, y), y);
        EXPECT_EQ(beyond, 0) << "the heading should be clipped at x " << kRight;

        app.click(kStopButton);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
    {
        Installer app(work.makeSource("dir c:\\\n", {}, "untitled"));
        ASSERT_TRUE(app.waitForMainWindow());
        auto offGradient = [](const Screen& s) {
            int n = 0;
            for (int y = kTop; y < kBottom; ++y)
                for (int x = kLeft; x < kRight; ++x) n += !sameColour(s.pixel(x, y), progress::backgroundOf(s, y));
            return n;
        };
        // Wait for the gradient to be painted, then look for anything else.
        Screen s = waitForScreen([&](const Screen& s) { return gradientMismatch(s, 5).empty(); }, Millis(5000));
        EXPECT_EQ(gradientMismatch(s, 5), "");
        EXPECT_EQ(offGradient(s), 0) << "pixels other than the gradient where no title was asked for";

        app.click(kStopButton);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
}

namespace {

// The first pixel of the installer's top and bottom lines and of its left and
// right columns that differs from want(y), described; empty when none does.
std::string backgroundMismatch(const Screen& s, const std::function<Rgb(int)>& want) {
    const int w = s.width(), h = s.height();
    auto check = [&](int x, int y) -> std::string {
        if (sameColour(s.pixel(x, y), want(y))) return "";
        return at(x, y) + " expected " + toString(want(y)) + ", got " + toString(s.pixel(x, y));
    };
    for (int x = 0; x < w; ++x)
        for (int y : {0, h - 1})
            if (auto m = check(x, y); !m.empty()) return m;
    for (int y = 0; y < h; ++y)
        for (int x : {0, w - 1})
            if (auto m = check(x, y); !m.empty()) return m;
    return "";
}

}  // namespace

// On a true-colour screen the installer's background runs from blue 200 on
// the top line down to blue 14 on the bottom line, one pen of 3 at a time
// and never lighter further down, the same colour across each line.
TEST(PaintingGradient, TrueColourRunsFromBlue200AtTheTopToBlue14AtTheBottom) {
    if (lowColourDisplay()) GTEST_SKIP() << "this screen has fewer than 24 bits a pixel";
    Workspace work;
    Installer app(work.makeSource("dir c:\\\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    auto edge = [](const Screen& s) { return progress::gradientFaults(s, s.width() - 1, 0, s.height()); };
    auto across = [](const Screen& s) {
        return backgroundMismatch(s, [&s](int y) { return progress::backgroundOf(s, y); });
    };
    Screen s = waitForScreen([&](const Screen& s) { return edge(s).empty() && across(s).empty(); }, Millis(5000));
    EXPECT_EQ(edge(s), "");
    EXPECT_EQ(across(s), "") << "each line one colour, on the screen's edges";
    EXPECT_EQ(s.pixel(s.width() - 1, 0), (Rgb{0, 0, 200}));
    EXPECT_EQ(s.pixel(0, s.height() - 1), (Rgb{0, 0, 14}));
    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// On a low-colour screen the whole background is the flat (0, 0, 104).
TEST(PaintingGradient, LowColourBackgroundIsFlatDarkBlue) {
    if (!lowColourDisplay()) GTEST_SKIP() << "this screen has 24 or more bits a pixel";
    Workspace work;
    Installer app(work.makeSource("dir c:\\\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    auto flat = [](int) { return kCounterBlue; };
    Screen s = waitForScreen([&](const Screen& s) { return backgroundMismatch(s, flat).empty(); },
                                  Millis(5000));
    EXPECT_EQ(backgroundMismatch(s, flat), "");
    // Between the controls, too: the right half of the screen holds none.
    int off = s.count(s.width() / 2 + 100, 0, s.width(), s.height(),
                      [](Rgb c) { return !sameColour(c, kCounterBlue); });
    EXPECT_EQ(off, 0) << "pixels of the right half that are not (0, 0, 104)";
    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

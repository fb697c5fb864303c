// What the main window paints, read back from the screen: the blue gradient
// behind everything and the heading with its shadow.
#include "Harness.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace e2e;

namespace {

const Rgb kFace{230, 230, 230};
const Rgb kShadow{0, 0, 0};

// The background colour of scan line y on a screen of the given height.
Rgb gradientAt(int y, int height) {
    if (lowColourDisplay()) return Rgb{0, 0, 104};
    return Rgb{0, 0, 200 - 3 * (63 * y / height)};
}

// The first line of column x that does not show the gradient, described; empty when all do.
std::string gradientMismatch(const Screen& s, int x) {
    for (int y = 0; y < s.height(); ++y)
        if (!sameColour(s.pixel(x, y), gradientAt(y, s.height())))
            return "at (" + std::to_string(x) + "," + std::to_string(y) + ") expected " +
                   toString(gradientAt(y, s.height())) + ", got " + toString(s.pixel(x, y));
    return "";
}

// Whether a pixel of line y is (about) the background: the edges of
// smoothed text blend with it.
bool showsBackground(Rgb c, int y, int height) {
    Rgb g = gradientAt(y, height);
    return std::abs(c.r - g.r) <= 24 && std::abs(c.g - g.g) <= 24 && std::abs(c.b - g.b) <= 24;
}

// The heading's area, widened by the 2 pixels the light face is moved up and left.
constexpr int kLeft = 28, kTop = 18, kRight = 480, kBottom = 90;

}  // namespace

// The background runs from blue 200 on the top line, one pen per 64th of the
// height, darker downwards; on a low-colour display it is flat (0, 0, 104).
TEST(Painting, BackgroundIsTheVerticalBlueGradient) {
    Workspace work;
    Installer app(work.makeSource("dir c:\\\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    const int right = GetSystemMetrics(SM_CXSCREEN) - 5;

    Screen s = waitForScreen([&](const Screen& s) {
        return gradientMismatch(s, 5).empty() && gradientMismatch(s, right).empty();
    }, Millis(5000));
    EXPECT_EQ(gradientMismatch(s, 5), "");
    EXPECT_EQ(gradientMismatch(s, right), "");
    if (!lowColourDisplay()) {
        EXPECT_EQ(toString(s.pixel(right, 0)), toString(Rgb{0, 0, 200}));
        EXPECT_LT(s.pixel(right, s.height() - 1).b, s.pixel(right, s.height() / 2).b);
        EXPECT_LT(s.pixel(right, s.height() / 2).b, s.pixel(right, 0).b);
    }

    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

// The title is drawn light on a black shadow 2 pixels to the lower right,
// clipped at x 480; without a title the heading's area shows only the gradient.
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
            for (int x = kRight; x < s.width(); ++x) beyond += !showsBackground(s.pixel(x, y), y, s.height());
        EXPECT_EQ(beyond, 0) << "the heading should be clipped at x " << kRight;

        // Every face pixel has the shadow, or more face, 2 pixels right and
        // down: anything but the background.
        int unshadowed = 0;
        std::string first;
        for (int y = kTop; y + 2 < kBottom; ++y)
            for (int x = kLeft; x + 2 < kRight; ++x)
                if (sameColour(s.pixel(x, y), kFace) && showsBackground(s.pixel(x + 2, y + 2), y + 2, s.height())) {
                    if (first.empty())
                        first = "(" + std::to_string(x) + "," + std::to_string(y) + ") lower right is " +
                                toString(s.pixel(x + 2, y + 2));
                    ++unshadowed;
                }
        EXPECT_EQ(unshadowed, 0) << "face pixels without shadow, first " << first;

        app.click(kStopButton);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
    {
        Installer app(work.makeSource("dir c:\\\n", {}, "untitled"));
        ASSERT_TRUE(app.waitForMainWindow());
        auto offGradient = [](const Screen& s) {
            int n = 0;
            for (int y = kTop; y < kBottom; ++y)
                for (int x = kLeft; x < kRight; ++x) n += !sameColour(s.pixel(x, y), gradientAt(y, s.height()));
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

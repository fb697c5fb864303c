#include "ProgressPixels.h"

#include <algorithm>
#include <cstdlib>

namespace progress {

using e2e::sameColour;
using e2e::toString;

std::string gradientFaults(const e2e::Screen& s, int x, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        const Rgb c = s.pixel(x, y);
        const std::string seen = " at " + at(x, y) + ", got " + toString(c);
        if (e2e::lowColourDisplay()) {
            if (!sameColour(c, kCounterBlue)) return "expected the flat " + toString(kCounterBlue) + seen;
            continue;
        }
        if (c.r != 0 || c.g != 0) return "expected blue alone" + seen;
        if (y == top && c.b != 200) return "expected (0, 0, 200) on the top line" + seen;
        if (y > top) {
            const int step = s.pixel(x, y - 1).b - c.b;
            if (step != 0 && step != 3) return "expected the blue of the line above or one pen (3) darker" + seen;
        }
        if (y == bottom - 1 && bottom - top == s.height() && c.b != 14)
            return "expected (0, 0, 14) on the bottom line" + seen;
    }
    return "";
}

Rgb backgroundOf(const e2e::Screen& s, int y) {
    return s.pixel(s.width() - 1, y);
}

double towardWhite(Rgb c, Rgb base) {
    const int seen[3] = {c.r, c.g, c.b};
    const int from[3] = {base.r, base.g, base.b};
    int widest = 0;
    for (int k = 1; k < 3; ++k)
        if (255 - from[k] > 255 - from[widest]) widest = k;
    const int span = 255 - from[widest];
    if (span == 0) return sameColour(c, base) ? 0.0 : -1.0;
    const double t = double(seen[widest] - from[widest]) / span;
    if (t < -0.02 || t > 1.02) return -1.0;
    const int tolerance = e2e::lowColourDisplay() ? 10 : 4;
    for (int k = 0; k < 3; ++k)
        if (std::abs(seen[k] - (from[k] + t * (255 - from[k]))) > tolerance) return -1.0;
    return t;
}

void Box::add(int x, int y) {
    left = std::min(left, x), top = std::min(top, y);
    right = std::max(right, x + 1), bottom = std::max(bottom, y + 1);
}

std::string at(int x, int y) {
    return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

BarReading readBar(const e2e::Screen& s, int top, int fillRight, const std::function<Rgb(int)>& background) {
    BarReading r;
    std::string frame, inside, ring;
    const int bottom = top + 20;
    for (int y = top - 1; y <= bottom; ++y)
        for (int x = kBarLeft - 1; x <= kBarRight; ++x) {
            Rgb c = s.pixel(x, y);
            bool onRing = y == top - 1 || y == bottom || x == kBarLeft - 1 || x == kBarRight;
            bool onFrame = !onRing && (y == top || y == bottom - 1 || x == kBarLeft || x == kBarRight - 1);
            if (onRing) {
                if (background && !sameColour(c, background(y)) && ring.empty())
                    ring = "outside the bar at " + at(x, y) + " expected the background " + toString(background(y)) +
                           ", got " + toString(c);
                continue;
            }
            if (onFrame) {
                if (!sameColour(c, kWhite) && frame.empty())
                    frame = "frame at " + at(x, y) + " expected " + toString(kWhite) + ", got " + toString(c);
                continue;
            }
            Rgb fill = fillRight > 0 && x < fillRight ? kGreen : kNavy;
            double t = towardWhite(c, fill);
            if (t < 0) {
                if (inside.empty())
                    inside = "inside at " + at(x, y) + " (fill edge " + std::to_string(fillRight) + ") expected " +
                             toString(fill) + " or white text on it, got " + toString(c);
                continue;
            }
            if (t >= 0.5) r.text.add(x, y);
            if (sameColour(c, kWhite)) ++r.whiteText;
        }
    for (const std::string& f : {frame, inside, ring})
        if (!f.empty()) r.faults += "\n  " + f;
    return r;
}

}  // namespace progress

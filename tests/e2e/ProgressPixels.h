// Reading the progress display back from a screen capture: its colours,
// white text blended into what is behind it, and the progress bar.
#pragma once

#include <functional>
#include <string>

#include "Harness.h"

namespace progress {

using e2e::Rgb;

const Rgb kWhite{255, 255, 255};
const Rgb kNavy{0, 0, 128};
const Rgb kGreen{0, 128, 0};
const Rgb kCounterBlue{0, 0, 104};
const Rgb kFace{230, 230, 230};
const Rgb kShadow{0, 0, 0};

// The bar's left and right edges as the builder places it.
constexpr int kBarLeft = 30, kBarRight = 380;

// What is wrong with the gradient in column x of a window that covers the
// lines top to bottom (exclusive), described; empty when it has the
// gradient's properties: blue alone, (0, 0, 200) on the top line, never
// lighter further down, one pen step (3) at most between neighbouring lines,
// and (0, 0, 14) on the bottom line of a window as tall as the screen; on a
// low-colour screen (0, 0, 104) on every line.
std::string gradientFaults(const e2e::Screen& s, int x, int top, int bottom);

// The background of screen line y as the screen shows it in its rightmost
// column, where the installer's full-screen window draws nothing but the
// gradient, which is the same along each line.
Rgb backgroundOf(const e2e::Screen& s, int y);

// Where c lies on the way from base to white, 0 to 1 (text edges blend the
// white text into what is behind it); negative when it is not on that way.
double towardWhite(Rgb c, Rgb base);

// The bounding box of some pixels.
struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // right, bottom exclusive
    bool empty() const { return right < 0; }
    void add(int x, int y);
    int width() const { return empty() ? 0 : right - left; }
    int height() const { return empty() ? 0 : bottom - top; }
};

std::string at(int x, int y);

struct BarReading {
    std::string faults;  // every kind of wrong pixel, the first of each described
    Box text;            // the pixels of the bar's text (at least half white)
    int whiteText = 0;   // text pixels that are exactly white
};

// Reads the bar drawn in (30, top, 380, top + 20) with the given fill edge: a
// white frame, navy inside, green up to fillRight, white text. When
// background is given, the ring of pixels around the bar must show it.
BarReading readBar(const e2e::Screen& s, int top, int fillRight,
                   const std::function<Rgb(int)>& background = nullptr);

}  // namespace progress

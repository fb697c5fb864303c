// The installer core's window seam, as the tool needs it: message boxes
// show nothing, and the
// builder's progress display becomes one line on a terminal's standard
// error (nothing when standard error is not a terminal).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "run/HeldFiles.h"
#include "run/MessageBoxes.h"
#include "run/Progress.h"
#include "dicttool/Platform.h"
#include "dicttool/ToolFiles.h"

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// The progress line of the current build.
struct ProgressLine {
    bool shown = isTerminal(stderr);
    double done = 0;  // the bar's filled share
    std::string percent, status;
    long counter = -1;
    std::size_t width = 0;  // of the line drawn last
    std::chrono::steady_clock::time_point drawn;
};

ProgressLine& progressLine() {
    static ProgressLine line;
    return line;
}

// Redraws the line in place, at most every tenth of a second unless forced.
void redraw(bool force) {
    ProgressLine& p = progressLine();
    if (!p.shown)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - p.drawn < kRedrawInterval)
        return;
    p.drawn = now;
    const int filled = static_cast<int>(p.done * kBarWidth + 0.5);
    std::string text = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " + p.percent +
                       "  " + p.status;
    if (p.counter >= 0)
        text += " " + std::to_string(p.counter);
    const std::size_t width = text.size();
    text.resize(std::max(width, p.width), ' ');
    p.width = width;
    std::fprintf(stderr, "\r%s", text.c_str());
    std::fflush(stderr);
}

void beginLine() {
    ProgressLine& p = progressLine();
    const bool shown = p.shown;
    p = ProgressLine();
    p.shown = shown;
}

void endLine() {
    redraw(true);
    if (progressLine().shown)
        std::fputc('\n', stderr);
}

void drawBar(int left, int, int right, int, int fillRight, const char* text) {
    ProgressLine& p = progressLine();
    p.done = right > left ? std::clamp(static_cast<double>(fillRight - left) / (right - left), 0.0, 1.0) : 0.0;
    p.percent = text;
    redraw(true);
}

void drawStatus(const char* text, int, int, int, int) {
    if (std::string(text) == "[Done]")
        return;
    ProgressLine& p = progressLine();
    p.status = text;
    p.counter = -1;
    redraw(true);
}

void drawCounter(long value) {
    progressLine().counter = value;
    redraw(false);
}

}  // namespace

void showClosingMessage(const char*) {}

void showCollationWarning(const char*) {}

// A word list that another program holds is a write that failed: nothing
// waits for a restart of Windows.
HeldAnswer askAboutHeldFile(const std::string&) {
    return HeldAnswer::Refuse;
}

void showProgressOnTerminal() {
    ProgressPainter painter;
    painter.begin = beginLine;
    painter.end = endLine;
    painter.bar = drawBar;
    painter.statusText = drawStatus;
    painter.counter = drawCounter;
    setProgressPainter(painter);
}

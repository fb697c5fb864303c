#include "run/Progress.h"

#include "run/ScriptSettings.h"

#include <cstdint>

std::int32_t comparisonCount = 0;
ProgressLayout progressLayout;

namespace {

ProgressPainter painter;

}  // namespace

void setProgressPainter(const ProgressPainter& chosen) {
    painter = chosen;
}

void beginLanguageDrawing() {
    if (painter.begin)
        painter.begin();
}

void endLanguageDrawing() {
    if (painter.end)
        painter.end();
}

void drawLanguageName(const char* name, int top) {
    if (painter.languageName)
        painter.languageName(name, top);
}

void drawProgressBar(int left, int top, int right, int bottom, int fillRight, const char* text) {
    if (painter.bar)
        painter.bar(left, top, right, bottom, fillRight, text);
}

void paintStatusText(const char* text, int left, int top, int right, int bottom) {
    if (painter.statusText)
        painter.statusText(text, left, top, right, bottom);
}

void paintCounter(long value) {
    if (painter.counter)
        painter.counter(value);
}

void drawStatusLine(const char* text, int right) {
    paintStatusText(text, 30, progressLayout.statusY, right, progressLayout.statusY + 30);
}

void drawDoneMark() {
    paintStatusText("[Done]", 210, progressLayout.statusY, 480, progressLayout.statusY + 30);
    progressLayout.statusY += 25;
}

void placeCounterBox() {
    progressLayout.counterBox = CounterBox{280, progressLayout.statusY, 360, progressLayout.statusY + 16};
}

void showCounter(long index) {
    if (index % 100 == 0)
        paintCounter(index);
}

void countComparison() {
    if (scriptSettings.verbose != 1)
        return;
    if (comparisonCount % 1000 == 0)
        paintCounter(comparisonCount);
    if (comparisonCount < INT32_MAX)
        ++comparisonCount;
}

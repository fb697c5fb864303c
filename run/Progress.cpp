#include "run/Progress.h"

#include "run/ScriptSettings.h"

#include <cstdint>

std::int32_t comparisonCount = 0;
ProgressLayout progressLayout;

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

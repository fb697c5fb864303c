#include "base/Progress.h"

#include "base/InstallState.h"

#include <cstdint>

std::int32_t comparisonCount = 0;

void drawStatusLine(const char* text, int right) {
    paintStatusText(text, 30, installState.statusY, right, installState.statusY + 30);
}

void drawDoneMark() {
    paintStatusText("[Done]", 210, installState.statusY, 480, installState.statusY + 30);
    installState.statusY += 25;
}

void placeCounterBox() {
    installState.counterBox = CounterBox{280, installState.statusY, 360, installState.statusY + 16};
}

void showCounter(long index) {
    if (index % 100 == 0)
        paintCounter(index);
}

void countComparison() {
    if (installState.verbose != 1)
        return;
    if (comparisonCount % 1000 == 0)
        paintCounter(comparisonCount);
    if (comparisonCount < INT32_MAX)
        ++comparisonCount;
}

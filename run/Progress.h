// The progress display of the word-list builder: the language name, the
// progress bar, status lines with "[Done]" marks and the counter box.
//
// The layout rules (where each item goes and how the cursors of
// progressLayout move) are portable and live in run/Progress.cpp. What
// paints is the program's: it sets a ProgressPainter (GDI on the main
// window, a terminal's progress line, a test's recorder).
#pragma once

#include <cstdint>

// Process-wide count of collated comparisons; never reset, so it runs on
// from one language to the next.
extern std::int32_t comparisonCount;

struct CounterBox {
    int left = 280, top = 170, right = 360, bottom = 186;
};

// Where the progress display draws next, in client pixels: the language's
// name and bar move down per language, the status lines per line.
struct ProgressLayout {
    std::int32_t nameY = 100;
    std::int32_t barY = 155;
    std::int32_t statusY = 170;
    CounterBox counterBox;
};

extern ProgressLayout progressLayout;

// --- layout rules (portable) ---
void drawStatusLine(const char* text, int right);  // at statusY, from x 30
void drawDoneMark();                               // "[Done]" at x 210, then statusY += 25
void placeCounterBox();                            // counter box := (280, statusY, 360, statusY + 16)
void showCounter(long index);                      // paints the index when it is a multiple of 100
void countComparison();                            // counts; paints every 1000th while verbose

// --- painting ---
// The program's painting procedures, one per call below; an entry left
// empty paints nothing, as does a program that sets no painter.
struct ProgressPainter {
    void (*begin)() = nullptr;
    void (*end)() = nullptr;
    void (*languageName)(const char* name, int top) = nullptr;
    void (*bar)(int left, int top, int right, int bottom, int fillRight, const char* text) = nullptr;
    void (*statusText)(const char* text, int left, int top, int right, int bottom) = nullptr;
    void (*counter)(long value) = nullptr;
};
void setProgressPainter(const ProgressPainter& painter);

// Each passes its arguments to the painter's procedure; as the main
// window's painter does it:
// Takes the builder drawing context of the main window, makes sure the
// counter brush exists and shows the wait cursor.
void beginLanguageDrawing();
// Shows the saved cursor again and releases the builder drawing context.
void endLanguageDrawing();
// The language's name in heading style in (30, top, 480, top + 40).
void drawLanguageName(const char* name, int top);
// A progress bar in the rectangle, filled up to the absolute x fillRight,
// with its text centred; then the main window is brought up to date.
void drawProgressBar(int left, int top, int right, int bottom, int fillRight, const char* text);
// Status text in the system font, white, in the rectangle.
void paintStatusText(const char* text, int left, int top, int right, int bottom);
// Clears the counter box (progressLayout.counterBox) and writes the value in it.
void paintCounter(long value);

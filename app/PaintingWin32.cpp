// The look of the main window: the gradient, the shadowed heading, and the
// progress display that the word-list builder draws directly on the window
// while it holds the only thread.
#include <windows.h>

#include <cstdio>

#include "app/App.h"
#include "core/WideText.h"
#include "core/win32/HandlesWin32.h"
#include "run/Progress.h"

namespace {

constexpr COLORREF kShadow = RGB(0, 0, 0);
constexpr COLORREF kFace = RGB(230, 230, 230);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kCounterBackground = RGB(0, 0, 104);
constexpr int kGradientPens = 64;
constexpr int kLowColourPen = 32;

constexpr UINT kLineFormat = DT_LEFT | DT_TOP | DT_SINGLELINE;

}  // namespace

HFONT createHeadingFont() {
    return CreateFontW(40, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"Times New Roman");
}

// Pen i is blue 200 - 3i; scan line y uses pen 63*y/H, so the top line is
// blue 200. A display of fewer than 24 bits gets the flat colour of pen 32.
void paintGradient(HDC dc, const RECT& client) {
    const bool lowColour = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL) < 24;
    // Deleted when they go, after the previous pen is selected back.
    GdiObject<HPEN> pens[kGradientPens];
    for (int i = 0; i < kGradientPens; ++i)
        pens[i].reset(CreatePen(PS_SOLID, 1, RGB(0, 0, 200 - 3 * i)));

    const int width = client.right;
    const int height = client.bottom;
    HGDIOBJ previous = SelectObject(dc, pens[0].get());
    for (int y = 0; y < height; ++y) {
        int pen = lowColour ? kLowColourPen : static_cast<int>((63LL * y) / height);
        SelectObject(dc, pens[pen].get());
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, width, y);
    }
    SelectObject(dc, previous);
}

// The heading's text (the script's title, a language's name) is UTF-8.
void drawShadowedText(HDC dc, const char* text, RECT rect) {
    const std::wstring wide = toWide(text);
    SetTextColor(dc, kShadow);
    DrawTextW(dc, wide.c_str(), -1, &rect, kLineFormat);
    rect.left -= 2;
    rect.top -= 2;
    SetTextColor(dc, kFace);
    DrawTextW(dc, wide.c_str(), -1, &rect, kLineFormat);
}

namespace {

void beginWindowDrawing() {
    windowHandles.builderDc = ScopedGetDC(windowHandles.mainWindow);
    if (HDC dc = windowHandles.builderDc.get())
        SetBkMode(dc, TRANSPARENT);
    if (!windowHandles.counterBrush)
        windowHandles.counterBrush.reset(CreateSolidBrush(kCounterBackground));
    windowHandles.savedCursor = SetCursor(windowHandles.waitCursor);
}

void endWindowDrawing() {
    SetCursor(windowHandles.savedCursor);
    if (HDC dc = windowHandles.builderDc.get())
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
    windowHandles.builderDc.reset();
}

void drawNameOnWindow(const char* name, int top) {
    HDC dc = windowHandles.builderDc.get();
    if (!dc)
        return;
    SelectObject(dc, windowHandles.headingFont.get());
    drawShadowedText(dc, name, RECT{30, top, 480, top + 40});
}

// The bar's text is drawn through a device context of its own, with its
// default attributes and the system font, whatever the builder's context
// holds; then the window is brought up to date at once.
void drawBarOnWindow(int left, int top, int right, int bottom, int fillRight, const char* text) {
    {
        ScopedGetDC dc(windowHandles.mainWindow);
        if (dc.get()) {
            GdiObject<HBRUSH> frame(CreateSolidBrush(kWhite));
            GdiObject<HBRUSH> empty(CreateSolidBrush(kNavy));
            GdiObject<HBRUSH> filled(CreateSolidBrush(kGreen));
            RECT outer{left, top, right, bottom};
            FrameRect(dc.get(), &outer, frame.get());
            RECT inner{left + 1, top + 1, right - 1, bottom - 1};
            FillRect(dc.get(), &inner, empty.get());
            if (fillRight > 0) {
                RECT done{inner.left, inner.top, fillRight < inner.right ? fillRight : inner.right, inner.bottom};
                FillRect(dc.get(), &done, filled.get());
            }
            ScopedSelectObject font(dc.get(), GetStockObject(SYSTEM_FONT));
            SetBkMode(dc.get(), TRANSPARENT);
            SetTextColor(dc.get(), kWhite);
            DrawTextW(dc.get(), toWide(text).c_str(), -1, &outer, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
    UpdateWindow(windowHandles.mainWindow);
}

void paintStatusOnWindow(const char* text, int left, int top, int right, int bottom) {
    HDC dc = windowHandles.builderDc.get();
    if (!dc)
        return;
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    SetTextColor(dc, kWhite);
    RECT rect{left, top, right, bottom};
    DrawTextW(dc, toWide(text).c_str(), -1, &rect, kLineFormat);
}

void paintCounterOnWindow(long value) {
    HDC dc = windowHandles.builderDc.get();
    if (!dc)
        return;
    const CounterBox& box = progressLayout.counterBox;
    RECT rect{box.left, box.top, box.right, box.bottom};
    FillRect(dc, &rect, windowHandles.counterBrush.get());
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    DrawTextW(dc, toWide(text).c_str(), -1, &rect, kLineFormat);
}

}  // namespace

ProgressPainter windowPainter() {
    ProgressPainter painter;
    painter.begin = beginWindowDrawing;
    painter.end = endWindowDrawing;
    painter.languageName = drawNameOnWindow;
    painter.bar = drawBarOnWindow;
    painter.statusText = paintStatusOnWindow;
    painter.counter = paintCounterOnWindow;
    return painter;
}

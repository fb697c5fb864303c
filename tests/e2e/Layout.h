// The main window's controls where the installer puts them, by its stated numbers,
// written once for every test that checks a place: the table of the child
// controls (in the order of creation), and the frame panel's height while
// the chooser is open.
#pragma once

#include "Harness.h"

namespace layout {

struct Control {
    int id;
    const char* text;  // nullptr: none
    e2e::Rect rect;
    bool visibleAtStart;
};

inline const Control kControls[] = {
    {e2e::kFramePanel, nullptr, {110, 138, 440, 110}, true},
    {e2e::kEditBox, nullptr, {120, 170, 420, 25}, true},  // its text is the script's dir
    {e2e::kDriveList, nullptr, {120, 280, 150, 100}, false},
    {e2e::kFolderList, nullptr, {280, 280, 260, 180}, false},
    {e2e::kStartButton, "Start", {120, 205, 100, 30}, true},
    {e2e::kStopButton, "Stop", {440, 205, 100, 30}, true},
    {e2e::kChangeDirButton, "Change Directory", {230, 205, 200, 30}, true},
    {e2e::kPromptLabel, "Install in Directory :", {120, 148, 420, 22}, true},
    {e2e::kDriveCaption, "Drive :", {120, 260, 150, 20}, false},
    {e2e::kFolderCaption, "Directory :", {280, 260, 260, 20}, false},
};

// While the chooser is open the frame panel is 320 high.
constexpr int kChooserFrameHeight = 320;

inline const Control& control(int id) {
    for (const Control& c : kControls)
        if (c.id == id) return c;
    return kControls[0];
}

}  // namespace layout

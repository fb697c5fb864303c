// The steps that did not complete while the run went on (copies passed
// over, folders, win.ini settings, the sort, the shortcut, the uninstaller):
// how many, and the names of the first few for the closing warning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "run/ScriptSettings.h"

constexpr std::size_t kNamedFailedSteps = 5;  // failed steps the closing warning names

struct FailedSteps {
    std::int32_t count = 0;
    char names[kNamedFailedSteps][kPathBytes + 40] = {};
};

extern FailedSteps failedSteps;

// Counts a step that did not complete and keeps its name (cut to fit) when
// fewer than kNamedFailedSteps are kept.
void countFailedStep(const std::string& name);

// The closing warning's text: how many steps did not complete and the
// names of the first few. Meant for failedSteps.count > 0.
std::string failedStepsMessage();

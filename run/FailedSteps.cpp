#include "run/FailedSteps.h"

FailedSteps failedSteps;

void countFailedStep(const std::string& name) {
    const std::int32_t index = failedSteps.count++;
    if (index >= 0 && static_cast<std::size_t>(index) < kNamedFailedSteps)
        copyText(failedSteps.names[index], name.c_str());
}

// One line per named step; the steps beyond the named ones are only counted.
std::string failedStepsMessage() {
    const std::int32_t count = failedSteps.count;
    std::string text = std::to_string(count) + (count == 1 ? " step" : " steps") +
                       " of the installation did not complete:\n";
    std::int32_t named = 0;
    for (; named < count && static_cast<std::size_t>(named) < kNamedFailedSteps; ++named)
        text += std::string("\n") + failedSteps.names[named];
    if (count > named)
        text += "\n... and " + std::to_string(count - named) + " more";
    return text;
}

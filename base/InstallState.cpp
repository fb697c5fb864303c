#include "base/InstallState.h"

#include <cstring>
#include <string>

InstallState installState;

bool copyText(char* dst, std::size_t capacity, const char* src) {
    if (capacity == 0)
        return false;
    std::size_t len = std::strlen(src);
    bool fits = len < capacity;
    if (!fits)
        len = capacity - 1;
    std::memcpy(dst, src, len);
    dst[len] = '\0';
    return fits;
}

bool appendText(char* dst, std::size_t capacity, const char* src) {
    std::size_t used = strnlen(dst, capacity);
    if (used >= capacity)
        return false;
    return copyText(dst + used, capacity - used, src);
}

void countFailedStep(const std::string& name) {
    const std::int32_t index = installState.failedSteps++;
    if (index >= 0 && static_cast<std::size_t>(index) < kNamedFailedSteps)
        copyText(installState.failedStepNames[index], name.c_str());
}

// One line per named step; the steps beyond the named ones are only counted.
std::string failedStepsMessage() {
    const std::int32_t count = installState.failedSteps;
    std::string text = std::to_string(count) + (count == 1 ? " step" : " steps") +
                       " of the installation did not complete:\n";
    std::int32_t named = 0;
    for (; named < count && static_cast<std::size_t>(named) < kNamedFailedSteps; ++named)
        text += std::string("\n") + installState.failedStepNames[named];
    if (count > named)
        text += "\n... and " + std::to_string(count - named) + " more";
    return text;
}

#include "core/InUse.h"

std::string inUseText(const std::vector<std::string>& programs, const std::vector<std::string>& files) {
    std::string text;
    if (!programs.empty()) {
        text = "in use by ";
        for (std::size_t i = 0; i < programs.size(); ++i)
            text += (i ? ", " : "") + programs[i];
        return text;
    }
    text = files.size() > 1 ? "in use by other programs" : "in use by another program";
    if (!files.empty())
        text += ":";
    for (const std::string& file : files)
        text += "\n" + file;
    return text;
}

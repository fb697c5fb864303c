#include "base/PathText.h"

std::string withBackslash(const std::string& folder) {
    if (!folder.empty() && folder.back() == '\\')
        return folder;
    return folder + '\\';
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return withBackslash(folder) + name;
}

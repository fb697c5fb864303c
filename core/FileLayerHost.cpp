// The hosts' side of the file layer's operations under a root: the names
// joined, and the plain operations called. The hosts run the tests of the
// core, whose files lie in a scratch folder of their own.
#include "core/FileLayer.h"

std::FILE* systemOpenInside(const char* root, const char* relative, const char* mode) {
    return systemOpenFile(insidePath(root, relative).c_str(), mode);
}

bool systemReplaceInside(const char* root, const char* source, const char* target) {
    return systemReplaceFile(insidePath(root, source).c_str(), insidePath(root, target).c_str());
}

bool systemReplaceAtRestart(const char*, const std::string&, const std::string&, const std::string&) {
    return false;
}

bool systemRemoveInside(const char* root, const char* relative) {
    const std::string path = insidePath(root, relative);
    return std::remove(path.c_str()) == 0;
}

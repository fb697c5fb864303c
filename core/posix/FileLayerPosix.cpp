// The file layer's system calls on a POSIX host: files are opened with the
// C library and replaced by rename; the operations under a root join the
// names and make the plain calls (the hosts run the core's tests and tools,
// whose files lie in folders of their own).
#include <cstdio>
#include <string>

#include "core/FileLayer.h"

std::FILE* systemOpenFile(const char* name, const char* mode) {
    return std::fopen(name, mode);
}

bool systemReplaceFile(const char* source, const char* target) {
    return std::rename(source, target) == 0;
}

std::FILE* systemOpenInside(const char* root, const char* relative, const char* mode) {
    return systemOpenFile(insidePath(root, relative).c_str(), mode);
}

bool systemReplaceInside(const char* root, const char* source, const char* target) {
    return systemReplaceFile(insidePath(root, source).c_str(), insidePath(root, target).c_str());
}

bool systemReplaceAtRestart(const char*, const std::string&, const std::string&, const std::string&) {
    return false;
}

bool systemFileHeld(const char*, const std::string&) {
    return false;
}

bool systemRemoveInside(const char* root, const char* relative) {
    const std::string path = insidePath(root, relative);
    return std::remove(path.c_str()) == 0;
}

// The setup script's settings and the paths of the installation: filled by
// the script's pre-read and execution pass and by the Start check of the
// target directory, read by the later steps. One instance, scriptSettings,
// lives for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/BoundedText.h"

constexpr std::size_t kPathCapacity = 260;   // a path, terminator included
constexpr std::size_t kValueCapacity = 180;  // a setup-script value, terminator included

struct ScriptSettings {
    char sourceDir[kPathCapacity] = "";
    char title[kValueCapacity] = "";
    char defaultDir[kPathCapacity] = "c:\\";
    char wbarg[kValueCapacity] = "";
    std::int32_t verbose = 1;
    char targetDir[kPathCapacity] = "";
    // targetDir and one character more, so that a target of the greatest
    // length keeps its backslash.
    char targetDirSlash[kPathCapacity + 1] = "";
    char iconName[kValueCapacity] = "";
    char iconGroup[kValueCapacity] = "";
    char iconExe[kValueCapacity] = "";
    char displayFile[kValueCapacity] = "";
    // What Apps & Features shows of the installation; empty when not given.
    char version[kValueCapacity] = "";
    char publisher[kValueCapacity] = "";
    char url[kValueCapacity] = "";
    std::int32_t wantShortcut = 0;
    std::int32_t wantWordLists = 0;
};

extern ScriptSettings scriptSettings;

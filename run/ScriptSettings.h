// The setup script's settings and the paths of the installation: filled by
// the script's pre-read and execution pass and by the Start check of the
// target directory, read by the later steps. One instance, scriptSettings,
// lives for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/BoundedText.h"

// Text is UTF-8 inside: a path's length is counted in UTF-16 units, as
// Windows counts it, and a buffer holds its bytes.
constexpr std::size_t kPathCapacity = 260;  // a path in UTF-16 units, terminator included
// The bytes of any path of at most kPathCapacity - 1 units in UTF-8 (three
// bytes a unit at most), terminator included.
constexpr std::size_t kPathBytes = 3 * (kPathCapacity - 1) + 1;
// A setup-script value: the rest of one read of 99 characters, at most
// four bytes each in UTF-8, terminator included.
constexpr std::size_t kValueCapacity = 4 * 99 + 1;

struct ScriptSettings {
    char sourceDir[kPathBytes] = "";
    char title[kValueCapacity] = "";
    char defaultDir[kPathBytes] = "c:\\";
    char shortcutArguments[kValueCapacity] = "";  // wbarg: the arguments the shortcut passes
    std::int32_t verbose = 1;
    // The code page install.inf's codepage line names, for the files of the
    // medium without a byte order mark; kAnsiCodePage (0) when none does.
    std::uint32_t codePage = 0;
    char targetDir[kPathBytes] = "";
    // targetDir and one character more, so that a target of the greatest
    // length keeps its backslash.
    char targetDirSlash[kPathBytes + 1] = "";
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

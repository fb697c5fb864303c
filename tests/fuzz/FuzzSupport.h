// Shared pieces of the fuzz targets: a per-process scratch folder that the
// core's relative paths (language/, kelmo.ini, tmp.ini) resolve in, and a
// check that ends the run as a crash when an invariant does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/FileLayer.h"  // fileExists

// Enters the process's scratch folder for the life of the object and goes
// back to the folder it came from afterwards, so that libFuzzer's own
// relative paths (corpus, artifacts) keep meaning what they meant. The
// folder (with a language/ subfolder) is made on first use and removed when
// the process exits normally.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Removes everything in the scratch folder and makes language/ again.
    static void clear();
};

// Writes bytes to a file of the current folder; aborts when it cannot.
void writeWholeFile(const char* name, const std::uint8_t* data, std::size_t size);

// The file's bytes; an empty string when it does not exist.
std::string readWholeFile(const char* name);

// Reports the broken invariant and aborts, which libFuzzer takes as a crash.
[[noreturn]] void invariantFailed(const char* what, const char* file, int line);

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : invariantFailed(#condition, __FILE__, __LINE__))

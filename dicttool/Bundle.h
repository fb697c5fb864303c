// One setup file from a checked distribution folder: the installer dicttool
// carries (or another), followed by the folder as a payload, signed on
// request; and what a setup file carries, shown or extracted.
#pragma once

#include <string>

struct BundleOptions {
    std::string folder;     // native path of the distribution folder
    std::string output;     // the setup file to write
    std::string installer;  // "": the install.exe dicttool carries
    bool force = false;     // write it even when the check finds problems
    bool sign = false;      // sign the written file before it is put in place
};

// Checks the folder as `check` does, printing its problems; refuses a
// folder with problems unless forced (exit status 1, nothing written).
// Otherwise writes the setup file, signed when asked, and returns 0.
// Throws ToolError when the setup file cannot be made.
int bundleMedium(const BundleOptions& options);

// Lists the files and folders of a setup file's payload after checking its
// SHA-256; with extractTo, makes that new folder and extracts into it.
// Returns 0, or 1 for a file that carries no payload. Throws ToolError.
int showContents(const std::string& setup, const std::string& extractTo);

// The SHA-256 of a whole file, in upper-case hexadecimal. Throws ToolError.
std::string fileSha256(const std::string& path);

// The install.exe put into dicttool when it was built; empty when the
// build had none.
std::string carriedInstaller();

// A native path as the payload's procedures take it (UTF-8).
std::string payloadPath(const std::string& native);

// dicttool manifest: the three files of a winget manifest (version,
// installer, default locale) for a setup file, written with yaml-cpp. Built
// where yaml-cpp is (the host build); dicttool.exe says it has no such
// command.
#pragma once

#include <string>

struct ManifestOptions {
    std::string setup;  // the setup file
    std::string id;     // Publisher.Name
    // From the options, else from install.inf (version, publisher, title).
    std::string version, publisher, name;
    std::string license, shortDescription, installerUrl;
    bool partialIsSuccess = false;  // exit code 2 counts as success
    std::string folder = ".";       // where the files go
};

// Writes <id>.yaml, <id>.installer.yaml and <id>.locale.en-US.yaml; 0 when
// written. Throws ToolError naming what is missing or cannot be read.
int writeManifest(const ManifestOptions& options);

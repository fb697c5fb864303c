// The publishers' tool run as a publisher runs it, in the test's scratch
// directory: its exit status and what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/ScratchDirTest.h"

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs the tool in the current directory; arguments are passed to the shell.
inline ToolRun dicttool(const std::string& arguments) {
    const int raw = std::system((std::string(DICTTOOL_EXE) + " " + arguments + " >out.txt 2>err.txt").c_str());
    ToolRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile("out.txt"), readFile("err.txt")};
    std::filesystem::remove("out.txt");
    std::filesystem::remove("err.txt");
    return run;
}

inline void write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path().empty() ? "." : path.parent_path());
    writeFile(path.string().c_str(), bytes);
}

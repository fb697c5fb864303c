// Files that other programs hold open, in words: who holds them, for the
// boxes and the log of both programs.
#pragma once

#include <string>
#include <vector>

// "in use by A, B" when the system names the programs; else "in use by
// another program", followed by the held files one a line (when given).
std::string inUseText(const std::vector<std::string>& programs, const std::vector<std::string>& files);

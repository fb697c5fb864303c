// What the checks found, for a person (aligned text) or for a program (one
// JSON object), in UTF-8.
#pragma once

#include <cstdio>
#include <vector>

#include "dicttool/Check.h"

void printScriptReport(const ScriptReport& report, std::FILE* out);

// "Problems (n):" and a line for each, file:line: kind: message; or "No problems.".
void printProblems(const std::vector<Problem>& problems, std::FILE* out);
void printScriptJson(const ScriptReport& report, std::FILE* out);

void printLanguageReport(const FileEncoding& encoding, const std::vector<LanguageBlock>& blocks,
                         const std::vector<Problem>& problems, std::FILE* out);
void printLanguageJson(const FileEncoding& encoding, const std::vector<LanguageBlock>& blocks,
                       const std::vector<Problem>& problems, std::FILE* out);

// The checks of a distribution folder and of a language list, and what
// they find: the lines of install.inf as each pass reads them, the plan of
// the execution pass, the language blocks and the problems.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "settings/LanguageEntry.h"
#include "core/TextFile.h"
#include "setupscript/ScriptPlan.h"
#include "wordlist/WordListCheck.h"

// Texts are UTF-8, as the installer decodes the files; paths inside the
// source folder and the target directory are relative, their names joined
// by "\".

struct Problem {
    std::string file;  // the file the line is in: install.inf or a language list
    int line = 0;
    std::string kind;
    std::string message;
};

// --- the language list ---

struct LanguageBlock {
    int line = 0;  // of the language line
    std::string languageLine;
    int fields = 0;
    LanguageEntry entry;
    int fromLine = 0, toLine = 0;  // 0 when the list ended before them
    bool fromFound = false;
    RecordSurvey survey;  // of the FROM wordlist, when found
};

struct LanguageListInput {
    std::string label;        // how problems name the list
    std::string targetSlash;  // the target directory the word lists go under
    // The native path of the FROM wordlist of that name, "" when none is there.
    std::function<std::string(const std::string& name)> locateFrom;
};

// Splits the decoded list into blocks as the installer does and checks
// each. Invalid bytes and unreadable FROM wordlists are problems; nothing is
// fatal.
void checkLanguageList(const DecodedText& list, const LanguageListInput& input, std::vector<LanguageBlock>& blocks,
                       std::vector<Problem>& problems);

// --- the text files ---

// How one text file of the medium was decoded.
struct FileEncoding {
    std::string file;  // as problems name it
    std::string text;  // encodingText: "code page 1252 (the ANSI code page)", ...
    unsigned codePage = 0;
    CodePageOrigin origin = CodePageOrigin::Default;
    int codePageLine = 0;  // install.inf's codepage line, when origin is Named
};

FileEncoding fileEncoding(const std::string& file, const DecodedText& text, int codePageLine);

// One invalid-byte problem for each line of the file with bytes that begin
// no character of its code page, naming every such byte.
void reportInvalidBytes(const DecodedText& text, const std::string& file, std::vector<Problem>& problems);

// --- the setup script ---

struct ScriptLine {
    int line = 0;
    std::string text;
    bool remainder = false;
    LineReading preRead, execution;
};

struct PlannedFolder {
    int line = 0;
    std::string path;  // under the target
};

struct PlannedCopy {
    int line = 0;
    std::string source;       // under the source folder, as spelt on disk
    std::string destination;  // under the target
};

struct IniWrite {
    int line = 0;
    std::string key, value;
};

struct PlannedShortcut {
    bool made = false;
    int line = 0;  // of iconname
    std::string group, name, program, arguments;
};

struct Plan {
    std::string target;  // targetDirSlash
    std::vector<PlannedFolder> directories;
    std::vector<PlannedCopy> copies;
    std::vector<IniWrite> ini;
    PlannedShortcut shortcut;
    bool wordLists = false;
    std::string languageList;  // the source file copied as language.cf, when word lists are built
    std::vector<LanguageBlock> languages;
    std::string display;
};

struct ScriptReport {
    std::vector<FileEncoding> encodings;  // install.inf, the language list, the display file
    std::vector<ScriptLine> lines;
    Plan plan;
    std::vector<Problem> problems;
};

struct CheckOptions {
    std::string source;  // native path of the distribution folder
    std::string target;  // the target directory; empty: the script's dir, else c:\ .
    unsigned codePage = 0;  // the installer's system's ANSI code page; 0: this system's
};

// Reads install.inf of the source folder with both passes and plans the
// execution pass against the folder's contents; the language list and the
// display file are decoded as the installer decodes them. Throws ToolError
// when the script cannot be read or is not text.
ScriptReport checkScript(const CheckOptions& options);

// The line syntax of the setup script install.inf, shared by its two
// passes: the pre-read at start-up and the execution pass on Start.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

constexpr std::size_t kScriptLineBuffer = 100;  // one read takes at most 99 characters


// Reads install.inf from the source directory, line by line (reads of at
// most 99 characters, one trailing LF removed, comment lines skipped), and
// hands every other line to handle. Ends in fatalError("Can't open
// INSTALL.INF") when the file cannot be opened.
void readSetupScript(const std::function<void(const char* line)>& handle);

// One read of the script, as both passes get it.
struct ScriptPiece {
    int lineNumber;    // the line of the file it comes from, counted from 1
    bool remainder;    // a later piece of a line longer than 99 characters
    bool comment;      // empty, or "#" first: both passes skip it
    const char* text;  // one trailing LF removed
};

// The reading loop over an open script: every read of at most 99
// characters, comments included, numbered by the file's lines.
void readScriptPieces(std::FILE* file, const std::function<void(const ScriptPiece& piece)>& handle);

// The reading loop over an open script: every line that is not a comment,
// one trailing LF removed.
void readScriptLines(std::FILE* file, const std::function<void(const char* line)>& handle);

// The line begins with the keyword, letters A to Z compared without case.
bool carriesKeyword(const char* line, const char* keyword);

// The text after the line's first space, or nullptr when it has none.
const char* keywordArgument(const char* line);

// Tokens 2 and 3 of the line split at runs of spaces; false when the line
// has fewer than three tokens.
bool splitOperands(const char* line, std::string& first, std::string& second);

// The argument's key (before the first "=") and value (after it), neither
// trimmed; false when the argument has no "=".
bool splitKeyValue(const char* argument, std::string& key, std::string& value);

// The keywords of the execution pass, in the order they are tested.
enum class ScriptKeyword {
    None, Mkdir, IconName, AviDelay, SetIni, IconGroup, IconExe, Display, MkWList, Copy, XCopy, SndCopy
};

// The execution-pass keyword that the line carries, if any.
ScriptKeyword executionKeyword(const char* line);

// The keywords of the pre-read, in the order they are tested.
// version, publisher and url name the installation in Apps & Features.
enum class PreReadKeyword { None, Title, Dir, WbArg, Debug, Version, Publisher, Url };

// The pre-read keyword that the line carries, if any.
PreReadKeyword preReadKeyword(const char* line);

// A keyword's word in lower case; "" for None.
const char* keywordName(ScriptKeyword keyword);
const char* keywordName(PreReadKeyword keyword);

// Takes title, dir, wbarg, debug, version, publisher and url from install.inf
// into scriptSettings.
void preReadSetupScript();

// Applies one pre-read line to scriptSettings; used by preReadSetupScript.
void preReadLine(const char* line);

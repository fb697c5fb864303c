// The line syntax of the setup script install.inf, shared by its two
// passes: the pre-read at start-up and the execution pass on Start.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/TextFile.h"

constexpr std::size_t kScriptLineLength = 99;  // the characters of one read of a line

// Reads install.inf of the source directory, decodes it (see
// decodeSetupScript) and hands every line that is not a comment to handle,
// as readScriptLines does; keeps the code page its codepage line names in
// scriptSettings.codePage for the medium's other text files. Ends in
// fatalError("Can't open INSTALL.INF") when the file cannot be opened, and
// "Can't read INSTALL.INF" when it cannot be read.
void readSetupScript(const std::function<void(const char* line)>& handle);

// The code page that the script's first codepage line names (a line of the
// file, not the rest of a long one), when the system knows it; 0 when there
// is no such line, and also when it names no known code page.
unsigned namedCodePage(const std::string& bytes, int* line = nullptr);

// The script's bytes as text: UTF-8 after a UTF-8 byte order mark, else in
// the code page its codepage line names, else in ansiCodePage (the
// system's, or the one a checker assumes); CR LF read as LF, a Ctrl-Z
// ending the text.
DecodedText decodeSetupScript(const std::string& bytes, unsigned ansiCodePage = 0);

// One read of the script, as both passes get it.
struct ScriptPiece {
    int lineNumber;    // the line of the file it comes from, counted from 1
    bool remainder;    // a later piece of a line longer than 99 characters
    bool comment;      // empty, or "#" first: both passes skip it
    const char* text;  // one trailing LF removed
};

// The reading loop over the decoded script: every read of at most 99
// characters, comments included, numbered by the file's lines.
void readScriptPieces(const std::string& text, const std::function<void(const ScriptPiece& piece)>& handle);

// The reading loop over the decoded script: every line that is not a
// comment, one trailing LF removed.
void readScriptLines(const std::string& text, const std::function<void(const char* line)>& handle);

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
// version, publisher and url name the installation in Apps & Features;
// codepage names the code page the script's text files are written in.
enum class PreReadKeyword { None, Title, Dir, WbArg, Debug, Version, Publisher, Url, CodePage };

// The pre-read keyword that the line carries, if any.
PreReadKeyword preReadKeyword(const char* line);

// A keyword's word in lower case; "" for None.
const char* keywordName(ScriptKeyword keyword);
const char* keywordName(PreReadKeyword keyword);

// Takes title, dir, wbarg, debug, version, publisher and url from install.inf
// into scriptSettings (and the code page of its codepage line).
void preReadSetupScript();

// The first character of a win.ini key or value of the execution pass
// (avidelay, setini) that the system's ANSI code page cannot write; "" when
// it can write them all. The dictionary program reads win.ini in it.
std::string unwritableSetting();

// Applies one pre-read line to scriptSettings; used by preReadSetupScript.
void preReadLine(const char* line);

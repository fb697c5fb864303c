// How each pass reads a line of the setup script, and how the execution
// pass forms the paths of its steps: the rules that the installer's
// execution pass and a checker of a distribution folder must agree on.
#pragma once

#include <cstddef>
#include <string>

#include "run/ScriptSettings.h"
#include "core/PathText.h"  // withBackslash: targetDirSlash as the pass forms it
#include "setupscript/SetupScript.h"

enum class ScriptPass { PreRead, Execution };

// Why a pass takes nothing from a line.
enum class LineIgnored {
    NotIgnored,       // the pass takes the line
    Comment,          // empty, or "#" first
    UnknownWord,      // begins with no keyword of either pass
    LeadingSpace,     // begins with a space and so carries no keyword
    Remainder,        // the rest of a line over 99 characters, without a keyword
    MissingArgument,  // a keyword that takes an argument, without a space (setini: without "=")
    MissingOperand,   // copy, xcopy or sndcopy with fewer than two operands
    OtherPass,        // a keyword that only the other pass reads
};

// What one pass takes from one line.
struct LineReading {
    LineIgnored ignored = LineIgnored::NotIgnored;
    PreReadKeyword preRead = PreReadKeyword::None;  // the keyword, in the pre-read
    ScriptKeyword execution = ScriptKeyword::None;  // the keyword, in the execution pass
    bool hasArgument = false;
    std::string argument;
    bool hasOperands = false;
    std::string first, second;
    bool hasKeyValue = false;
    std::string key, value;
};

// The line as the pass reads it: its keyword with argument, operands or key
// and value, or why the pass ignores it.
LineReading readLineInPass(ScriptPass pass, const ScriptPiece& piece);

// Lower-case names of why a line is ignored, "" for No (the keywords' names
// are keywordName's).
const char* ignoredName(LineIgnored reason);  // "comment", "unknown-word", "leading-space", ...

// --- the paths of the execution pass ---

// The longest path a step uses; a longer one is never used, neither whole
// nor cut short.
constexpr std::size_t kMaxPathLength = kPathCapacity - 1;

// The subfolder a folder copy enumerates every entry of.
constexpr char kFolderCopyPattern[] = "*.*";

// Where avidelay and setini write: this key and section of win.ini.
constexpr char kAviDelayKey[] = "ItalianAviDelay";
constexpr char kSettingsSection[] = "Dictionary";


// A formed path the pass may use: at most kMaxPathLength UTF-16 units.
bool fitsPath(const std::string& path);

// copy: targetDirSlash + the destination operand.
std::string singleCopyDestination(const std::string& targetSlash, const std::string& destination);

// xcopy and sndcopy: targetDirSlash + the destination folder + "\" + the
// found name (a folder "." is the target itself).
std::string folderCopyDestination(const std::string& targetSlash, const std::string& folder,
                                  const std::string& name);

// The directory part of an xcopy pattern, up to and including its last
// separator; each match is copied from there, relative to the source.
std::string patternFolder(const std::string& pattern);

// sndcopy: a found file, relative to the source directory.
std::string folderCopySource(const std::string& folder, const std::string& name);

// Folder copies take every entry that is not a directory, whatever its
// hidden, system or read-only bits, and never enter subdirectories.
inline bool folderCopyTakes(bool isDirectory) {
    return !isDirectory;
}

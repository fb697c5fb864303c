#include "script/SetupScript.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/Collation.h"
#include "base/FileLayer.h"
#include "base/ScriptSettings.h"
#include "base/MessageBoxes.h"
#include "base/PathText.h"

void readSetupScript(const std::function<void(const char* line)>& handle) {
    const std::string path = joinPath(scriptSettings.sourceDir, "install.inf");
    FilePtr file;
    if (path.size() < kPathCapacity)
        file = openFile(path.c_str(), "rt");
    if (!file)
        fatalError("Can't open INSTALL.INF");

    readScriptLines(file.get(), handle);
}

// A read that ends without a LF leaves the rest of its line to the next.
void readScriptPieces(std::FILE* file, const std::function<void(const ScriptPiece& piece)>& handle) {
    char line[kScriptLineBuffer];
    int lineNumber = 1;
    bool remainder = false;
    while (std::fgets(line, sizeof line, file)) {
        std::size_t len = std::strlen(line);
        const bool lineEnds = len > 0 && line[len - 1] == '\n';
        if (lineEnds)
            line[--len] = '\0';
        handle(ScriptPiece{lineNumber, remainder, len == 0 || line[0] == '#', line});
        remainder = !lineEnds;
        if (lineEnds)
            ++lineNumber;
    }
}

void readScriptLines(std::FILE* file, const std::function<void(const char* line)>& handle) {
    readScriptPieces(file, [&](const ScriptPiece& piece) {
        if (!piece.comment)
            handle(piece.text);
    });
}

bool carriesKeyword(const char* line, const char* keyword) {
    return foldPrefixEquals(line, keyword, std::strlen(keyword));
}

const char* keywordArgument(const char* line) {
    const char* space = std::strchr(line, ' ');
    return space ? space + 1 : nullptr;
}

bool splitOperands(const char* line, std::string& first, std::string& second) {
    std::string tokens[3];
    int count = 0;
    const char* p = line;
    while (count < 3) {
        while (*p == ' ')
            ++p;
        if (*p == '\0')
            break;
        const char* end = std::strchr(p, ' ');
        if (!end)
            end = p + std::strlen(p);
        tokens[count++].assign(p, end);
        p = end;
    }
    if (count < 3)
        return false;
    first = tokens[1];
    second = tokens[2];
    return true;
}

bool splitKeyValue(const char* argument, std::string& key, std::string& value) {
    const char* eq = std::strchr(argument, '=');
    if (!eq)
        return false;
    key.assign(argument, eq);
    value = eq + 1;
    return true;
}

namespace {

// The keywords of each pass with their words, in the order they are tested:
// one table serves the reading of a line and the naming of its keyword.
template <typename Keyword>
struct KeywordWord {
    const char* word;
    Keyword keyword;
};

constexpr KeywordWord<ScriptKeyword> kExecutionWords[] = {
    {"mkdir", ScriptKeyword::Mkdir},         {"iconname", ScriptKeyword::IconName},
    {"avidelay", ScriptKeyword::AviDelay},   {"setini", ScriptKeyword::SetIni},
    {"icongroup", ScriptKeyword::IconGroup}, {"iconexe", ScriptKeyword::IconExe},
    {"display", ScriptKeyword::Display},     {"mkwlist", ScriptKeyword::MkWList},
    {"copy", ScriptKeyword::Copy},           {"xcopy", ScriptKeyword::XCopy},
    {"sndcopy", ScriptKeyword::SndCopy},
};

constexpr KeywordWord<PreReadKeyword> kPreReadWords[] = {
    {"title", PreReadKeyword::Title},
    {"dir", PreReadKeyword::Dir},
    {"wbarg", PreReadKeyword::WbArg},
    {"debug", PreReadKeyword::Debug},
    {"version", PreReadKeyword::Version},
    {"publisher", PreReadKeyword::Publisher},
    {"url", PreReadKeyword::Url},
};

template <typename Keyword, std::size_t N>
Keyword keywordOf(const char* line, const KeywordWord<Keyword> (&table)[N]) {
    for (const auto& entry : table)
        if (carriesKeyword(line, entry.word))
            return entry.keyword;
    return Keyword::None;
}

template <typename Keyword, std::size_t N>
const char* wordOf(Keyword keyword, const KeywordWord<Keyword> (&table)[N]) {
    for (const auto& entry : table)
        if (entry.keyword == keyword)
            return entry.word;
    return "";
}

}  // namespace

ScriptKeyword executionKeyword(const char* line) {
    return keywordOf(line, kExecutionWords);
}

PreReadKeyword preReadKeyword(const char* line) {
    return keywordOf(line, kPreReadWords);
}

const char* keywordName(ScriptKeyword keyword) {
    return wordOf(keyword, kExecutionWords);
}

const char* keywordName(PreReadKeyword keyword) {
    return wordOf(keyword, kPreReadWords);
}

// A keyword that takes an argument but whose line holds no space is ignored:
// the field keeps what it had.
void preReadLine(const char* line) {
    const char* argument = keywordArgument(line);
    switch (preReadKeyword(line)) {
    case PreReadKeyword::Title:
        if (argument)
            copyText(scriptSettings.title, argument);
        return;
    case PreReadKeyword::Dir:
        if (argument)
            copyText(scriptSettings.defaultDir, argument);
        return;
    case PreReadKeyword::WbArg:
        if (argument)
            copyText(scriptSettings.wbarg, argument);
        return;
    case PreReadKeyword::Debug:
        scriptSettings.verbose = 1;
        return;
    case PreReadKeyword::Version:
        if (argument)
            copyText(scriptSettings.version, argument);
        return;
    case PreReadKeyword::Publisher:
        if (argument)
            copyText(scriptSettings.publisher, argument);
        return;
    case PreReadKeyword::Url:
        if (argument)
            copyText(scriptSettings.url, argument);
        return;
    case PreReadKeyword::None:
        return;
    }
}

void preReadSetupScript() {
    readSetupScript(preReadLine);
}

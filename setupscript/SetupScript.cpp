#include "setupscript/SetupScript.h"

#include <algorithm>
#include <cstring>

#include "core/CodePage.h"
#include "core/Collation.h"
#include "run/ScriptSettings.h"
#include "run/EarlyEnd.h"
#include "core/PathText.h"

namespace {

// A script is a few kilobytes; a file larger than this is no script.
constexpr long kLongestScript = 16L << 20;

// "NNNN" with blanks after it, as a codepage line gives its number.
bool parseCodePage(const char* argument, unsigned& number) {
    number = 0;
    const char* p = argument;
    for (; *p >= '0' && *p <= '9' && p - argument < 5; ++p)
        number = number * 10 + static_cast<unsigned>(*p - '0');
    const bool digits = p > argument;
    while (*p == ' ' || *p == '\t' || *p == '\r')
        ++p;
    return digits && *p == '\0';
}

}  // namespace

void readSetupScript(const std::function<void(const char* line)>& handle) {
    const std::string path = joinPath(scriptSettings.sourceDir, "install.inf");
    std::string bytes;
    const WholeRead read =
        utf16Length(path) < kPathCapacity ? readFileBytes(path.c_str(), kLongestScript, bytes) : WholeRead::NotOpened;
    if (read == WholeRead::NotOpened)
        fatalError("Can't open INSTALL.INF");
    if (read == WholeRead::NotRead)
        fatalError("Can't read INSTALL.INF");
    scriptSettings.codePage = namedCodePage(bytes);
    readScriptLines(decodeSetupScript(bytes).text, handle);
}

// The line is found in the bytes before they are decoded: a line begins
// after a line feed in every code page the installer reads, and the
// keyword and its number are ASCII.
unsigned namedCodePage(const std::string& bytes, int* line) {
    const std::string text = windowsTextMode(startsWithByteOrderMark(bytes) ? bytes.substr(3) : bytes);
    int number = 1;
    for (std::size_t at = 0; at < text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string candidate = text.substr(at, end - at);
        at = end + 1;
        if (preReadKeyword(candidate.c_str()) != PreReadKeyword::CodePage)
            continue;
        if (line)
            *line = number;
        unsigned codePage = 0;
        const char* argument = keywordArgument(candidate.c_str());
        const bool known = argument && parseCodePage(argument, codePage) &&
                           (codePage == kUtf8CodePage || codePageKnown(codePage));
        return known ? codePage : 0;
    }
    return 0;
}

DecodedText decodeSetupScript(const std::string& bytes, unsigned ansiCodePage) {
    return decodeTextFile(bytes, namedCodePage(bytes), ansiCodePage, true);
}

void readScriptPieces(const std::string& text, const std::function<void(const ScriptPiece& piece)>& handle) {
    for (const TextPiece& piece : textPieces(text, kScriptLineLength)) {
        const bool comment = piece.text.empty() || piece.text[0] == '#';
        handle(ScriptPiece{piece.line, piece.remainder, comment, piece.text.c_str()});
    }
}

void readScriptLines(const std::string& text, const std::function<void(const char* line)>& handle) {
    readScriptPieces(text, [&](const ScriptPiece& piece) {
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
    {"codepage", PreReadKeyword::CodePage},
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
    auto take = [argument](auto& field) {
        if (argument)
            copyText(field, argument);
    };
    switch (preReadKeyword(line)) {
    case PreReadKeyword::Title:
        return take(scriptSettings.title);
    case PreReadKeyword::Dir:
        return take(scriptSettings.defaultDir);
    case PreReadKeyword::WbArg:
        return take(scriptSettings.shortcutArguments);
    case PreReadKeyword::Version:
        return take(scriptSettings.version);
    case PreReadKeyword::Publisher:
        return take(scriptSettings.publisher);
    case PreReadKeyword::Url:
        return take(scriptSettings.url);
    case PreReadKeyword::Debug:
        scriptSettings.verbose = 1;
        return;
    case PreReadKeyword::CodePage:  // taken when the script is read
    case PreReadKeyword::None:
        return;
    }
}

void preReadSetupScript() {
    readSetupScript(preReadLine);
}

std::string unwritableSetting() {
    std::string first;
    readSetupScript([&](const char* line) {
        const char* argument = keywordArgument(line);
        std::string key, value, ansi, unwritable;
        switch (executionKeyword(line)) {
        case ScriptKeyword::AviDelay:
            value = argument ? argument : "";
            break;
        case ScriptKeyword::SetIni:
            if (!argument || !splitKeyValue(argument, key, value))
                return;
            break;
        default:
            return;
        }
        if (first.empty() && (!toAnsi(key, ansi, unwritable) || !toAnsi(value, ansi, unwritable)))
            first = unwritable;
    });
    return first;
}

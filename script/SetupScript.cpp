#include "script/SetupScript.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "base/Collation.h"
#include "base/FileLayer.h"
#include "base/InstallState.h"
#include "base/MessageBoxes.h"

bool withSlash(const char* dir, std::string& out) {
    out = dir;
    if (out.empty() || out.back() != '\\')
        out += '\\';
    if (out.size() >= kPathCapacity) {
        out.clear();
        return false;
    }
    return true;
}

void readSetupScript(const std::function<void(const char* line)>& handle) {
    std::string path;
    FilePtr file;
    if (withSlash(installState.sourceDir, path)) {
        path += "install.inf";
        if (path.size() < kPathCapacity)
            file = openFile(path.c_str(), "rt");
    }
    if (!file)
        fatalError("Can't open INSTALL.INF");

    readScriptLines(file.get(), handle);
}

void readScriptLines(std::FILE* file, const std::function<void(const char* line)>& handle) {
    char line[kScriptLineBuffer];
    while (std::fgets(line, sizeof line, file)) {
        std::size_t len = std::strlen(line);
        if (len > 0 && line[len - 1] == '\n')
            line[--len] = '\0';
        if (len == 0 || line[0] == '#')
            continue;
        handle(line);
    }
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

ScriptKeyword executionKeyword(const char* line) {
    static const struct {
        const char* word;
        ScriptKeyword keyword;
    } table[] = {
        {"mkdir", ScriptKeyword::Mkdir},         {"iconname", ScriptKeyword::IconName},
        {"avidelay", ScriptKeyword::AviDelay},   {"setini", ScriptKeyword::SetIni},
        {"icongroup", ScriptKeyword::IconGroup}, {"iconexe", ScriptKeyword::IconExe},
        {"display", ScriptKeyword::Display},     {"mkwlist", ScriptKeyword::MkWList},
        {"copy", ScriptKeyword::Copy},           {"xcopy", ScriptKeyword::XCopy},
        {"sndcopy", ScriptKeyword::SndCopy},
    };
    for (const auto& entry : table)
        if (carriesKeyword(line, entry.word))
            return entry.keyword;
    return ScriptKeyword::None;
}

// A keyword that takes an argument but whose line holds no space is ignored:
// the field keeps what it had.
void preReadLine(const char* line) {
    const char* argument = keywordArgument(line);
    if (carriesKeyword(line, "title")) {
        if (argument)
            copyText(installState.title, argument);
    } else if (carriesKeyword(line, "dir")) {
        if (argument)
            copyText(installState.defaultDir, argument);
    } else if (carriesKeyword(line, "wbarg")) {
        if (argument)
            copyText(installState.wbarg, argument);
    } else if (carriesKeyword(line, "debug")) {
        installState.verbose = 1;
    }
}

void preReadSetupScript() {
    readSetupScript(preReadLine);
}

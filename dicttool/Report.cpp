#include "dicttool/Report.h"

#include <nlohmann/json.hpp>

#include <string>

#include "core/CodePage.h"
#include "dicttool/Encoding.h"

using json = nlohmann::ordered_json;

namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// --- JSON ---

json lineJson(const ScriptLine& line, ScriptPass pass) {
    const LineReading& r = pass == ScriptPass::PreRead ? line.preRead : line.execution;
    const std::string keyword = pass == ScriptPass::PreRead ? keywordName(r.preRead) : keywordName(r.execution);
    json j = {{"line", line.line},
              {"text", line.text},
              {"pass", pass == ScriptPass::PreRead ? "pre-read" : "execution"},
              {"keyword", keyword.empty() ? json() : json(keyword)},
              {"argument", r.hasArgument ? json(r.argument) : json()},
              {"ignored", r.ignored == LineIgnored::NotIgnored ? json() : json(ignoredName(r.ignored))},
              {"remainder", line.remainder}};
    if (r.hasOperands)
        j["operands"] = {r.first, r.second};
    if (r.hasKeyValue) {
        j["key"] = r.key;
        j["value"] = r.value;
    }
    return j;
}

json problemsJson(const std::vector<Problem>& problems) {
    json list = json::array();
    for (const Problem& p : problems)
        list.push_back({{"line", p.line}, {"file", p.file}, {"kind", p.kind}, {"message", p.message}});
    return list;
}

json encodingJson(const FileEncoding& e) {
    return {{"file", e.file},
            {"codePage", e.codePage},
            {"origin", originName(e.origin)},
            {"line", e.origin == CodePageOrigin::Named ? json(e.codePageLine) : json()}};
}

json encodingsJson(const std::vector<FileEncoding>& encodings) {
    json list = json::array();
    for (const FileEncoding& e : encodings)
        list.push_back(encodingJson(e));
    return list;
}

json blockJson(const LanguageBlock& b) {
    const LanguageEntry& e = b.entry;
    json fields = json::array();
    for (const std::string* field : {&e.keptFields[0], &e.keptFields[1], &e.keptFields[2], &e.displayName})
        if (static_cast<int>(fields.size()) < b.fields)
            fields.push_back(*field);
    json j = {{"line", b.line},          {"text", b.languageLine}, {"fields", fields},
              {"displayName", b.fields >= 4 ? json(e.displayName) : json()},
              {"from", b.fromLine ? json(e.fromName) : json()}, {"fromLine", b.fromLine},
              {"to", b.toLine ? json(e.toName) : json()},       {"toLine", b.toLine}};
    j["records"] = b.fromFound ? json(b.survey.records) : json();
    j["reversedRecords"] = b.fromFound ? json(b.survey.reversed) : json();
    j["translationsLeftOut"] = b.fromFound ? json(b.survey.longTranslations) : json();
    return j;
}

json blocksJson(const std::vector<LanguageBlock>& blocks) {
    json list = json::array();
    for (const LanguageBlock& b : blocks)
        list.push_back(blockJson(b));
    return list;
}

json planJson(const Plan& plan) {
    json j = {{"target", plan.target}, {"directories", json::array()}, {"copies", json::array()},
              {"ini", json::array()}};
    for (const PlannedFolder& d : plan.directories)
        j["directories"].push_back({{"line", d.line}, {"path", d.path}});
    for (const PlannedCopy& c : plan.copies)
        j["copies"].push_back({{"line", c.line}, {"source", c.source}, {"destination", c.destination}});
    for (const IniWrite& w : plan.ini)
        j["ini"].push_back({{"line", w.line}, {"key", w.key}, {"value", w.value}});
    const PlannedShortcut& s = plan.shortcut;
    j["shortcut"] = s.made ? json{{"line", s.line}, {"group", s.group}, {"name", s.name},
                                  {"program", s.program}, {"arguments", s.arguments}}
                           : json();
    j["wordlists"] = plan.wordLists;
    j["languageList"] = plan.languageList.empty() ? json() : json(plan.languageList);
    j["languages"] = blocksJson(plan.languages);
    j["display"] = plan.display.empty() ? json() : json(plan.display);
    return j;
}

void printJson(const json& j, std::FILE* out) {
    const std::string text = j.dump(2, ' ', false, json::error_handler_t::replace);
    std::fprintf(out, "%s\n", text.c_str());
}

// --- text ---

const char* reasonText(LineIgnored reason) {
    switch (reason) {
    case LineIgnored::Comment: return "comment";
    case LineIgnored::UnknownWord: return "no keyword";
    case LineIgnored::LeadingSpace: return "begins with a space, so carries no keyword";
    case LineIgnored::Remainder: return "the rest of a line over 99 characters";
    case LineIgnored::MissingArgument: return "no argument";
    case LineIgnored::MissingOperand: return "fewer than two operands";
    case LineIgnored::OtherPass: return "read by the other pass";
    case LineIgnored::NotIgnored: break;
    }
    return "";
}

// What the pass takes from the line, after its keyword.
std::string takenText(const LineReading& r) {
    if (r.hasOperands)
        return r.first + " -> " + r.second;
    if (r.hasKeyValue)
        return r.key + " = " + quoted(r.value);
    return r.hasArgument ? quoted(r.argument) : std::string();
}

std::string lineText(const ScriptLine& line) {
    const bool pre = line.preRead.ignored != LineIgnored::OtherPass;
    const LineReading& own = pre ? line.preRead : line.execution;
    const char* pass = pre ? "pre-read " : "execution";
    const std::string keyword = pre ? keywordName(own.preRead) : keywordName(own.execution);
    const std::string remainder = line.remainder ? " (the rest of a line over 99 characters)" : "";
    if (own.ignored == LineIgnored::Comment)
        return "comment";
    if (keyword.empty())
        return std::string("ignored    ") + reasonText(own.ignored) + ": " + quoted(line.text);
    if (own.ignored != LineIgnored::NotIgnored)
        return std::string("ignored    ") + keyword + " with " + reasonText(own.ignored) + ": " + quoted(line.text);
    const std::string taken = takenText(own);
    return std::string(pass) + "  " + keyword + (taken.empty() ? "" : " " + taken) + remainder;
}

void printBlocks(const std::vector<LanguageBlock>& blocks, std::FILE* out) {
    for (const LanguageBlock& b : blocks) {
        const LanguageEntry& e = b.entry;
        std::string text = b.fields >= 4 ? quoted(e.displayName) : quoted(b.languageLine) + " (bad language line)";
        if (b.toLine)
            text += ": " + e.fromName + " -> " + e.toName;
        if (b.fromFound) {
            text += ", " + std::to_string(b.survey.records) + " FROM records make " +
                    std::to_string(b.survey.reversed) + " reversed records";
            if (b.survey.longTranslations)
                text += "; translations over 30 characters left out: " + std::to_string(b.survey.longTranslations) +
                        " (first: record " +
                        std::to_string(b.survey.firstLongTranslation + 1) + ", " + quoted(windows1252ToUtf8(b.survey.longExample)) + ")";
        }
        std::fprintf(out, "  %5d  %s\n", b.line, text.c_str());
    }
}

void printEncodings(const std::vector<FileEncoding>& encodings, std::FILE* out) {
    std::fprintf(out, "Text files decoded:\n");
    for (const FileEncoding& e : encodings)
        std::fprintf(out, "  %s: %s\n", e.file.c_str(), e.text.c_str());
    std::fputc('\n', out);
}

void printPlan(const Plan& plan, std::FILE* out) {
    std::fprintf(out, "\nPlan of the execution pass, target %s\n", plan.target.c_str());
    std::fprintf(out, "  directories made: %zu\n", plan.directories.size());
    for (const PlannedFolder& d : plan.directories)
        std::fprintf(out, "  %5d  %s\n", d.line, d.path.c_str());
    std::fprintf(out, "  files copied (source -> destination): %zu\n", plan.copies.size());
    for (const PlannedCopy& c : plan.copies)
        std::fprintf(out, "  %5d  %s -> %s\n", c.line, c.source.c_str(), c.destination.c_str());
    std::fprintf(out, "  win.ini [Dictionary]: %zu\n", plan.ini.size());
    for (const IniWrite& w : plan.ini)
        std::fprintf(out, "  %5d  %s=%s\n", w.line, w.key.c_str(), w.value.c_str());
    const PlannedShortcut& s = plan.shortcut;
    if (s.made)
        std::fprintf(out, "  shortcut %s in group %s starts %s with arguments %s\n", quoted(s.name).c_str(),
                     quoted(s.group).c_str(), s.program.c_str(), quoted(s.arguments).c_str());
    else
        std::fprintf(out, "  no shortcut\n");
    if (plan.wordLists) {
        std::fprintf(out, "  word lists built from %s:\n", plan.languageList.empty() ? "(none)" : plan.languageList.c_str());
        printBlocks(plan.languages, out);
    } else {
        std::fprintf(out, "  no word lists\n");
    }
    std::fprintf(out, "  display file: %s\n\n", plan.display.empty() ? "none" : plan.display.c_str());
}

}  // namespace

void printProblems(const std::vector<Problem>& problems, std::FILE* out) {
    if (problems.empty()) {
        std::fprintf(out, "No problems.\n");
        return;
    }
    std::fprintf(out, "Problems (%zu):\n", problems.size());
    for (const Problem& p : problems)
        std::fprintf(out, "  %s:%d: %s: %s\n", p.file.c_str(), p.line, p.kind.c_str(), p.message.c_str());
}

void printScriptJson(const ScriptReport& report, std::FILE* out) {
    json lines = json::array();
    for (const ScriptLine& line : report.lines) {
        lines.push_back(lineJson(line, ScriptPass::PreRead));
        lines.push_back(lineJson(line, ScriptPass::Execution));
    }
    printJson({{"encodings", encodingsJson(report.encodings)},
               {"lines", lines},
               {"plan", planJson(report.plan)},
               {"problems", problemsJson(report.problems)}},
              out);
}

void printScriptReport(const ScriptReport& report, std::FILE* out) {
    std::fprintf(out, "install.inf as the two passes read it:\n");
    for (const ScriptLine& line : report.lines)
        std::fprintf(out, "  %5d  %s\n", line.line, lineText(line).c_str());
    printPlan(report.plan, out);
    printEncodings(report.encodings, out);
    printProblems(report.problems, out);
}

void printLanguageJson(const FileEncoding& encoding, const std::vector<LanguageBlock>& blocks,
                       const std::vector<Problem>& problems, std::FILE* out) {
    printJson({{"encoding", encodingJson(encoding)}, {"blocks", blocksJson(blocks)}, {"problems", problemsJson(problems)}},
              out);
}

void printLanguageReport(const FileEncoding& encoding, const std::vector<LanguageBlock>& blocks,
                         const std::vector<Problem>& problems, std::FILE* out) {
    printEncodings({encoding}, out);
    std::fprintf(out, "Language blocks: %zu\n", blocks.size());
    printBlocks(blocks, out);
    printProblems(problems, out);
}

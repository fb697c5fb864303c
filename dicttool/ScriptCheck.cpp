// The plan of the execution pass: install.inf read as the installer reads
// it, its steps carried out on a model of the target directory against the
// real contents of the source folder, and every step that would fail or
// mislead reported with its line.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>

#include "core/CodePage.h"
#include "core/FileLayer.h"
#include "core/PathText.h"
#include "dicttool/Check.h"
#include "dicttool/Encoding.h"
#include "dicttool/FolderTree.h"
#include "dicttool/ToolFiles.h"
#include "setupscript/SetupScript.h"

namespace {

constexpr char kScriptName[] = "install.inf";
constexpr char kLanguageListName[] = "language.cf";
constexpr char kCopyBox[] = " (the installer asks to abort, retry or ignore)";

// The model of one run of the execution pass.
struct PlanState {
    FolderTree& source;
    FolderTree* target;  // what the target holds already, when it exists
    const std::vector<ScriptLine>& lines;
    ScriptReport& report;
    std::size_t index = 0;                                // the line being run
    std::unordered_map<std::string, int> madeFolders;     // folded path -> line of its mkdir
    std::unordered_map<std::string, std::size_t> copied;  // folded destination -> last copy
    std::map<std::pair<int, std::string>, std::pair<std::size_t, int>> repeats;  // per line and kind
    unsigned namedCodePage = 0;  // of install.inf's codepage line; 0: none
    int codePageLine = 0;
    unsigned ansiCodePage = 0;  // the installer's system's
};

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

int lineOf(const PlanState& s) {
    return s.lines[s.index].line;
}

// A problem of the current line; more of the same kind on one line (files
// of one pattern, say) are counted into the first.
void note(PlanState& s, const char* kind, const std::string& message) {
    const auto key = std::make_pair(lineOf(s), std::string(kind));
    auto it = s.repeats.find(key);
    if (it != s.repeats.end()) {
        ++it->second.second;
        return;
    }
    s.repeats.emplace(key, std::make_pair(s.report.problems.size(), 0));
    s.report.problems.push_back({kScriptName, lineOf(s), kind, message});
}

std::string parentOf(const std::string& normal) {
    const std::string::size_type cut = normal.rfind('\\');
    return cut == std::string::npos ? std::string() : normal.substr(0, cut);
}

bool folderExists(PlanState& s, const std::string& normal) {
    return normal.empty() || s.madeFolders.count(foldedName(normal)) ||
           (s.target && s.target->kind(normal) == PathKind::Folder);
}

bool fileExists(PlanState& s, const std::string& normal) {
    return s.copied.count(foldedName(normal)) || (s.target && s.target->kind(normal) == PathKind::File);
}

// The line of a later mkdir that makes the folder; 0 when none does.
int laterMkdir(const PlanState& s, const std::string& normal) {
    const std::string wanted = foldedName(normal);
    for (std::size_t i = s.index + 1; i < s.lines.size(); ++i) {
        const LineReading& r = s.lines[i].execution;
        std::string made;
        if (r.execution == ScriptKeyword::Mkdir && r.ignored == LineIgnored::NotIgnored &&
            normalRelativePath(r.argument, made) && foldedName(made) == wanted)
            return s.lines[i].line;
    }
    return 0;
}

std::string missingFolderMessage(const PlanState& s, const std::string& folder, const std::string& what) {
    std::string message = "folder " + quoted(folder) + " of " + what +
                          " neither exists under the target nor is made by an earlier mkdir";
    if (int later = laterMkdir(s, folder))
        message += " (line " + std::to_string(later) + " makes it later)";
    return message;
}

// One file copied, as the installer copies it: not when a path is too long,
// the destination's folder is missing or the destination is a folder.
void planCopy(PlanState& s, const std::string& source, const std::string& destination, const std::string& full) {
    if (!fitsPath(full))
        return note(s, "path-too-long",
                    quoted(full) + " is " + std::to_string(utf16Length(full)) + " characters, over 259: not copied");
    std::string normal;
    if (!normalRelativePath(destination, normal))
        return note(s, "missing-directory", quoted(destination) + " leads out of the target directory");
    if (!folderExists(s, parentOf(normal)))
        return note(s, "missing-directory",
                    missingFolderMessage(s, parentOf(normal), quoted(destination)) + ": the copy fails" + kCopyBox);
    if (folderExists(s, normal))
        return note(s, "destination-is-folder", quoted(destination) + " is a folder: the copy fails" + kCopyBox);
    const std::string key = foldedName(normal);
    if (auto it = s.copied.find(key); it != s.copied.end())
        note(s, "duplicate-destination",
             quoted(normal) + " is already written by line " + std::to_string(s.report.plan.copies[it->second].line) +
                 ": this later copy wins");
    s.copied[key] = s.report.plan.copies.size();
    s.report.plan.copies.push_back({lineOf(s), source, normal});
}

void runCopy(PlanState& s, const LineReading& r) {
    std::string normal, actual;
    if (!normalRelativePath(r.first, normal) || s.source.kind(normal, &actual) != PathKind::File)
        return note(s, "missing-source", "no file " + quoted(r.first) + " in the source folder: nothing is copied");
    planCopy(s, actual, r.second, singleCopyDestination(s.report.plan.target, r.second));
}

// Copies every file of a source folder entry list that the test takes.
template <class Takes>
void copyEntries(PlanState& s, const std::string& folder, const std::vector<TreeEntry>& entries,
                 const std::string& destination, Takes takes) {
    std::string actualFolder;
    s.source.kind(folder, &actualFolder);
    for (const TreeEntry& e : entries) {
        if (e.isFolder || !takes(e))
            continue;
        planCopy(s, actualFolder.empty() ? e.name : folderCopySource(actualFolder, e.name),
                 destination + "\\" + e.name, folderCopyDestination(s.report.plan.target, destination, e.name));
    }
}

std::size_t countFiles(const std::vector<TreeEntry>& entries, const std::string& pattern) {
    std::size_t n = 0;
    for (const TreeEntry& e : entries)
        n += folderCopyTakes(e.isFolder) && matchesPattern(e.name, pattern);
    return n;
}

void runXCopy(PlanState& s, const LineReading& r) {
    const std::string folderPart = patternFolder(r.first);
    const std::string pattern = r.first.substr(folderPart.size());
    std::string folder;
    const std::vector<TreeEntry>* entries =
        normalRelativePath(folderPart, folder) ? s.source.entries(folder) : nullptr;
    if (!entries)
        return note(s, "empty-pattern", "no folder " + quoted(folderPart) + " in the source folder: nothing is copied");
    if (countFiles(*entries, pattern) == 0)
        return note(s, "empty-pattern", "pattern " + quoted(r.first) + " matches no file: nothing is copied");
    copyEntries(s, folder, *entries, r.second, [&](const TreeEntry& e) { return matchesPattern(e.name, pattern); });
}

void runSndCopy(PlanState& s, const LineReading& r) {
    std::string folder;
    const std::vector<TreeEntry>* entries = normalRelativePath(r.first, folder) ? s.source.entries(folder) : nullptr;
    if (!entries)
        return note(s, "empty-pattern", "no folder " + quoted(r.first) + " in the source folder: nothing is copied");
    if (countFiles(*entries, kFolderCopyPattern) == 0)
        return note(s, "empty-pattern", "folder " + quoted(r.first) + " holds no file: nothing is copied");
    copyEntries(s, folder, *entries, r.second, [](const TreeEntry&) { return true; });
}

void runMkdir(PlanState& s, const LineReading& r) {
    const std::string full = s.report.plan.target + r.argument;
    if (!fitsPath(full))
        return note(s, "path-too-long", quoted(full) + " is over 259 characters: not made");
    std::string normal;
    if (!normalRelativePath(r.argument, normal))
        return note(s, "missing-directory", quoted(r.argument) + " leads out of the target directory");
    if (folderExists(s, normal) || fileExists(s, normal))
        return;
    const std::string parent = parentOf(normal);
    if (!folderExists(s, parent)) {
        if (int later = laterMkdir(s, parent))
            return note(s, "mkdir-order", quoted(normal) + " is made before its parent " + quoted(parent) +
                                              ", which line " + std::to_string(later) + " makes: not made");
        return note(s, "missing-directory", missingFolderMessage(s, parent, "mkdir " + quoted(normal)));
    }
    s.madeFolders.emplace(foldedName(normal), lineOf(s));
    s.report.plan.directories.push_back({lineOf(s), normal});
}

// The settings the later steps read, and the win.ini writes.
struct Settings {
    int iconName = 0, iconGroup = 0, iconExe = 0, display = 0, mkwlist = 0;  // lines, 0 when absent
    std::string name, group, exe;
};

// The name a line writes under the target, for the steps that write.
const std::string* destinationOf(const LineReading& r) {
    switch (r.execution) {
    case ScriptKeyword::Mkdir: return &r.argument;
    case ScriptKeyword::Copy: case ScriptKeyword::XCopy: case ScriptKeyword::SndCopy: return &r.second;
    default: return nullptr;
    }
}

void runLine(PlanState& s, const LineReading& r, Settings& settings) {
    Plan& plan = s.report.plan;
    const int line = lineOf(s);
    const std::string* destination = destinationOf(r);
    if (destination && nameLeaves(*destination) != NameLeaves::No)
        return note(s, "leaves-target", quoted(*destination) + " " + nameLeavesText(nameLeaves(*destination)) +
                                            ": the installer refuses the line as a failed step");
    switch (r.execution) {
    case ScriptKeyword::Mkdir: return runMkdir(s, r);
    case ScriptKeyword::Copy: return runCopy(s, r);
    case ScriptKeyword::XCopy: return runXCopy(s, r);
    case ScriptKeyword::SndCopy: return runSndCopy(s, r);
    case ScriptKeyword::AviDelay: plan.ini.push_back({line, kAviDelayKey, r.argument}); return;
    case ScriptKeyword::SetIni: plan.ini.push_back({line, r.key, r.value}); return;
    case ScriptKeyword::IconName: settings.iconName = line; settings.name = r.argument; return;
    case ScriptKeyword::IconGroup: settings.iconGroup = line; settings.group = r.argument; return;
    case ScriptKeyword::IconExe: settings.iconExe = line; settings.exe = r.argument; return;
    case ScriptKeyword::Display: settings.display = line; plan.display = r.argument; return;
    case ScriptKeyword::MkWList: settings.mkwlist = line; plan.wordLists = true; return;
    case ScriptKeyword::None: return;
    }
}

void finishRepeats(PlanState& s) {
    for (const auto& [key, at] : s.repeats)
        if (at.second > 0)
            s.report.problems[at.first].message += " (and " + std::to_string(at.second) + " more like it on this line)";
}

void addProblem(PlanState& s, int line, const char* kind, const std::string& message) {
    s.report.problems.push_back({kScriptName, line, kind, message});
}

// The file the target directory will hold under this name: the source file
// of the last copy that writes it, or the file already there; "" when none.
std::string targetFile(PlanState& s, const std::string& relative) {
    std::string normal;
    if (!normalRelativePath(relative, normal))
        return {};
    if (auto it = s.copied.find(foldedName(normal)); it != s.copied.end()) {
        std::string source;
        normalRelativePath(s.report.plan.copies[it->second].source, source);
        return s.source.nativePath(source);
    }
    return s.target && s.target->kind(normal) == PathKind::File ? s.target->nativePath(normal) : std::string();
}

void checkShortcut(PlanState& s, const Settings& st, const std::string& arguments) {
    if (st.iconName || st.iconGroup || st.iconExe) {
        std::string missing;
        for (const auto& [line, word] : {std::pair<int, const char*>{st.iconName, "iconname"},
                                         {st.iconGroup, "icongroup"}, {st.iconExe, "iconexe"}})
            if (!line)
                missing += std::string(missing.empty() ? "" : " and ") + word;
        if (!missing.empty())
            addProblem(s, st.iconName ? st.iconName : st.iconGroup ? st.iconGroup : st.iconExe,
                       "shortcut-incomplete", "the shortcut lacks " + missing);
    }
    if (st.iconExe && nameLeaves(st.exe) != NameLeaves::No)
        return addProblem(s, st.iconExe, "leaves-target",
                          "iconexe " + quoted(st.exe) + " " + nameLeavesText(nameLeaves(st.exe)) +
                              ": the installer makes no shortcut");
    if (st.iconExe && targetFile(s, st.exe).empty())
        addProblem(s, st.iconExe, "shortcut-target-missing",
                   "iconexe " + quoted(st.exe) + " names no file that is copied into the target");
    if (!st.iconName)
        return;
    const std::string program = s.report.plan.target + st.exe;
    if (!fitsPath(program))
        return addProblem(s, st.iconExe ? st.iconExe : st.iconName, "path-too-long",
                          quoted(program) + " is over 259 characters: no shortcut is made");
    s.report.plan.shortcut = {true, st.iconName, st.group, st.name, program, arguments};
}

void checkWordLists(PlanState& s, const Settings& st) {
    if (st.display && targetFile(s, s.report.plan.display).empty())
        addProblem(s, st.display, "display-missing",
                   "display file " + quoted(s.report.plan.display) +
                       " is not copied into the target: the closing messages say \"Install Finished\" instead");
    if (!st.mkwlist)
        return;
    const std::string list = targetFile(s, kLanguageListName);
    if (list.empty())
        return addProblem(s, st.mkwlist, "language-list-missing",
                          "mkwlist, but no language.cf is copied into the target: the installer stops with an error");
    s.report.plan.languageList = kLanguageListName;
    if (auto it = s.copied.find(foldedName(kLanguageListName)); it != s.copied.end())
        s.report.plan.languageList = s.report.plan.copies[it->second].source;
    LanguageListInput input{s.report.plan.languageList, s.report.plan.target,
                            [&s](const std::string& name) { return targetFile(s, wordListRelativePath(name)); }};
    const DecodedText text = decodeTextFile(readWholeFile(list), s.namedCodePage, s.ansiCodePage, true);
    s.report.encodings.push_back(fileEncoding(input.label, text, s.codePageLine));
    checkLanguageList(text, input, s.report.plan.languages, s.report.problems);
}

// The display file as the closing message shows it: up to a zero byte,
// decoded as the language list is.
void checkDisplay(PlanState& s, const Settings& st) {
    const std::string path = st.display ? targetFile(s, s.report.plan.display) : std::string();
    if (path.empty())
        return;
    std::string bytes = readWholeFile(path);
    bytes.resize(std::min(bytes.find('\0'), bytes.size()));
    const DecodedText text = decodeTextFile(bytes, s.namedCodePage, s.ansiCodePage, false);
    s.report.encodings.push_back(fileEncoding(s.report.plan.display, text, s.codePageLine));
    reportInvalidBytes(text, s.report.plan.display, s.report.problems);
}

std::vector<ScriptLine> readLines(const std::string& text) {
    std::vector<ScriptLine> lines;
    readScriptPieces(text, [&](const ScriptPiece& piece) {
        if (piece.remainder && piece.text[0] == '\0')
            return;  // the line end of a line of exactly 99 characters
        lines.push_back({piece.lineNumber, piece.text, piece.remainder,
                         readLineInPass(ScriptPass::PreRead, piece), readLineInPass(ScriptPass::Execution, piece)});
    });
    return lines;
}

// The argument of the last pre-read line of the keyword, as the pre-read
// keeps it; fallback when there is none.
std::string preReadValue(const std::vector<ScriptLine>& lines, PreReadKeyword keyword, const char* fallback) {
    std::string value = fallback;
    for (const ScriptLine& line : lines)
        if (line.preRead.preRead == keyword && line.preRead.ignored == LineIgnored::NotIgnored)
            value = line.preRead.argument;
    return value;
}

std::string readScript(FolderTree& source, const std::string& folder) {
    std::string actual;
    const PathKind kind = source.kind(kScriptName, &actual);
    if (kind == PathKind::Folder)
        throw ToolError("cannot read " + source.nativePath(actual) + ": it is a folder");
    if (kind != PathKind::File)
        throw ToolError("no install.inf in " + folder + ": the installer stops with \"Can't open INSTALL.INF\"");
    return source.nativePath(actual);
}

}  // namespace

ScriptReport checkScript(const CheckOptions& options) {
    if (pathKind(options.source) != PathKind::Folder)
        throw ToolError("no folder " + options.source);
    FolderTree source(options.source);
    const std::string path = readScript(source, options.source);
    const std::string bytes = readWholeFile(path);
    refuseBinaryText(path, bytes);

    ScriptReport report;
    int codePageLine = 0;
    const unsigned named = namedCodePage(bytes, &codePageLine);
    const DecodedText script = decodeSetupScript(bytes, options.codePage);
    report.encodings.push_back(fileEncoding(kScriptName, script, codePageLine));
    reportInvalidBytes(script, kScriptName, report.problems);
    if (codePageLine != 0 && named == 0)
        report.problems.push_back({kScriptName, codePageLine, "unknown-codepage",
                                   "the codepage line names no code page the system converts: the files are read in " +
                                       encodingText(script, 0)});
    report.lines = readLines(script.text);
    const std::vector<ScriptLine>& lines = report.lines;
    report.plan.target =
        withBackslash(options.target.empty() ? preReadValue(lines, PreReadKeyword::Dir, "c:\\") : options.target);
    std::unique_ptr<FolderTree> target;
    if (!options.target.empty() && pathKind(options.target) == PathKind::Folder)
        target = std::make_unique<FolderTree>(options.target);

    PlanState state{source, target.get(), lines, report, 0, {}, {}, {}, named, codePageLine, options.codePage};
    Settings settings;
    for (state.index = 0; state.index < lines.size(); ++state.index)
        if (lines[state.index].execution.ignored == LineIgnored::NotIgnored)
            runLine(state, lines[state.index].execution, settings);
    finishRepeats(state);
    checkShortcut(state, settings, preReadValue(lines, PreReadKeyword::WbArg, ""));
    checkWordLists(state, settings);
    checkDisplay(state, settings);
    std::stable_sort(report.problems.begin(), report.problems.end(), [](const Problem& a, const Problem& b) {
        const bool aScript = a.file == kScriptName, bScript = b.file == kScriptName;
        return aScript != bScript ? aScript : a.line < b.line;
    });
    return report;
}

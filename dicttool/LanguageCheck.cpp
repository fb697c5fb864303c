// The language list as the installer splits it, with what would stop or
// mislead a build: blocks cut short or without four fields, FROM wordlists
// missing or damaged, names the builder refuses, TO wordlists written twice.
#include <unordered_map>

#include "core/FileLayer.h"
#include "core/PathText.h"
#include "dicttool/Check.h"
#include "wordlist/LanguageList.h"
#include "wordlist/WordRecord.h"

namespace {

void report(std::vector<Problem>& problems, const LanguageListInput& input, int line, const char* kind,
            const std::string& message) {
    problems.push_back({input.label, line, kind, message});
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Reads the FROM wordlist in pieces of whole records and surveys them.
bool surveyFile(const std::string& path, RecordSurvey& survey) {
    FilePtr file = openFile(path.c_str(), "rb");
    if (!file)
        return false;
    std::string chunk(8192 * sizeof(WordRecord), '\0');
    std::size_t got;
    while ((got = std::fread(&chunk[0], 1, chunk.size(), file.get())) > 0)
        surveyRecords(chunk.data(), got, survey);
    return !std::ferror(file.get());
}

// A name the builder refuses, for FROM and TO alike.
void checkName(const LanguageListInput& input, int line, const char* role, const std::string& name,
               std::vector<Problem>& problems) {
    if (const NameLeaves leaves = nameLeaves(name); leaves != NameLeaves::No)
        return report(problems, input, line, "name-leaves-folder",
                      std::string(role) + " name " + quoted(name) + " " + nameLeavesText(leaves) +
                          ": a word list stays in the language folder, the installer stops with an error");
    if (isScratchName(name))
        report(problems, input, line, "name-reserved",
               std::string(role) + " name " + quoted(name) + " is the builder's scratch file temp.wb");
    if (!wordListPathFits(input.targetSlash, name))
        report(problems, input, line, "name-too-long",
               std::string(role) + " name " + quoted(name) + ": " + input.targetSlash +
                   wordListRelativePath(name) + " is over 259 characters");
}

void checkFrom(const LanguageListInput& input, LanguageBlock& block, std::vector<Problem>& problems) {
    const std::string& name = block.entry.fromName;
    const std::string path = input.locateFrom(name);
    block.fromFound = !path.empty() && surveyFile(path, block.survey);
    if (!block.fromFound) {
        report(problems, input, block.fromLine, "from-missing",
               "FROM wordlist " + quoted(wordListRelativePath(name)) + " is not there: the build stops with an error");
        return;
    }
    const RecordSurvey& s = block.survey;
    if (s.trailingBytes != 0)
        report(problems, input, block.fromLine, "from-size",
               quoted(name) + " is not a whole number of 84-byte records: the last " +
                   std::to_string(s.trailingBytes) + " bytes are ignored");
    if (s.unterminated != 0)
        report(problems, input, block.fromLine, "unterminated-field",
               quoted(name) + ": " + std::to_string(s.unterminated) +
                   " records have a word over 30 or meanings over 50 characters, without the field's zero byte"
                   " (first: record " + std::to_string(s.firstUnterminated + 1) + ")");
}

}  // namespace

void checkLanguageList(const DecodedText& list, const LanguageListInput& input, std::vector<LanguageBlock>& blocks,
                       std::vector<Problem>& problems) {
    reportInvalidBytes(list, input.label, problems);
    const std::vector<ListLine> lines = contentLines(list.text);
    std::unordered_map<std::string, int> toLines;  // folded TO name -> its line
    for (std::size_t at = 0; at < lines.size(); at += 3) {
        LanguageBlock block;
        block.line = lines[at].line;
        block.languageLine = lines[at].text;
        block.fields = splitLanguageLine(block.languageLine.c_str(), block.entry);
        if (block.fields < 4)
            report(problems, input, block.line, "too-few-fields",
                   "language line " + quoted(block.languageLine) + " has " + std::to_string(block.fields) +
                       " of its four fields: the installer stops with an error here");
        const bool haveFrom = at + 1 < lines.size();
        if (haveFrom) {
            block.fromLine = lines[at + 1].line;
            block.entry.fromName = lines[at + 1].text;
        }
        const bool haveTo = at + 2 < lines.size();
        if (haveTo) {
            block.toLine = lines[at + 2].line;
            block.entry.toName = lines[at + 2].text;
        }
        if (!haveTo) {
            report(problems, input, block.line, "block-cut-short",
                   std::string("the list ends inside the block of this line, without its ") +
                       (haveFrom ? "TO" : "FROM and TO") + " name: the installer stops with an error");
            blocks.push_back(block);
            break;
        }
        checkName(input, block.fromLine, "FROM", block.entry.fromName, problems);
        checkName(input, block.toLine, "TO", block.entry.toName, problems);
        checkFrom(input, block, problems);
        const auto [it, first] = toLines.emplace(foldedName(block.entry.toName), block.toLine);
        if (!first)
            report(problems, input, block.toLine, "duplicate-to",
                   "TO wordlist " + quoted(block.entry.toName) + " is also built by line " +
                       std::to_string(it->second) + ": the later build replaces it");
        blocks.push_back(block);
    }
}

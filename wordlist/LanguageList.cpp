#include "wordlist/LanguageList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "core/CodePage.h"
#include "core/Collation.h"
#include "core/FileLayer.h"
#include "core/Log.h"
#include "wordlist/WordRecord.h"
#include "record/InstallRecord.h"
#include "run/Journaling.h"
#include "run/ScriptSettings.h"
#include "run/EarlyEnd.h"
#include "run/MessageBoxes.h"
#include "settings/SettingsFile.h"
#include "wordlist/ReverseList.h"
#include "wordlist/WordListCheck.h"

namespace {

constexpr const char* kListName = "language.cf";
constexpr const char* kCollationWarning =
    "Error setting LOCALE\nSort results may not be valid.\n\n"
    "Install multi-language support from your Windows cd-rom for this language.   ";
constexpr char kFinishedText[] = "Install Finished ";

// A display file is meant for a message box; anything larger is not shown.
constexpr long kMaxDisplayFileBytes = 1L << 20;
// A language list is a few lines a language; a larger file is no list.
constexpr long kLongestList = 16L << 20;
constexpr std::size_t kListLineLength = 99;  // the characters of one read of a line

// The language list, the word lists and, named relatively, the display
// file lie under the target directory, named from it.
const char* targetRoot() {
    return scriptSettings.targetDirSlash;
}

bool isAbsoluteName(const char* name) {
    return name[0] == '\\' || name[0] == '/' || (name[0] != '\0' && name[1] == ':');
}

// Reads the display file whole and decodes its text up to a zero byte;
// false when it cannot be opened or read, or is too large for a message.
// A relative name counts from the target directory; an absolute one names
// a file the script's author chose elsewhere.
bool readDisplayFile(const char* name, std::string& text) {
    std::string bytes;
    FilePtr file = isAbsoluteName(name) ? openFile(name, "rb") : openInside(targetRoot(), name, "rb");
    if (readFileBytes(std::move(file), kMaxDisplayFileBytes, bytes) != WholeRead::Read)
        return false;
    bytes.resize(std::min(bytes.find('\0'), bytes.size()));
    text = decodeTextFile(bytes, scriptSettings.codePage, kAnsiCodePage, false).text;
    return true;
}

// The content lines of a language list as the driver reads them; none
// when it cannot be opened or read.
WholeRead readListLines(FilePtr list, std::vector<ListLine>& lines) {
    std::string bytes;
    const WholeRead read = readFileBytes(std::move(list), kLongestList, bytes);
    lines = contentLines(decodeTextFile(bytes, scriptSettings.codePage, kAnsiCodePage, true).text);
    return read;
}

// The texts that go into kelmo.ini: the fields of each block's language
// line and the first block's FROM name, in list order.
std::vector<std::string> settingsTexts(const std::vector<ListLine>& lines) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < lines.size(); i += 3) {
        LanguageEntry entry;
        splitLanguageLine(lines[i].text.c_str(), entry);
        for (const std::string* field : {&entry.keptFields[0], &entry.keptFields[1], &entry.keptFields[2], &entry.displayName})
            texts.push_back(*field);
        if (i == 0 && lines.size() > 1)
            texts.push_back(lines[1].text);
    }
    return texts;
}

// The first text for kelmo.ini that the system's ANSI code page cannot
// write, and its first such character; text is empty when there is none.
void findUnwritable(const std::vector<ListLine>& lines, std::string& text, std::string& character) {
    text.clear();
    std::string ansi;
    for (const std::string& candidate : settingsTexts(lines))
        if (!toAnsi(candidate, ansi, character)) {
            text = candidate;
            return;
        }
}

// The number of whole records in a word-list file; -1 when it cannot be
// measured.
long recordsIn(const std::string& path) {
    const long long size = fileSizeOf(path.c_str());
    return size < 0 ? -1 : static_cast<long>(size / static_cast<long long>(sizeof(WordRecord)));
}

void logBuild(const LanguageEntry& entry, double seconds) {
    if (!logging())
        return;
    char text[300];
    std::snprintf(text, sizeof text, "word list %s from %s: %ld records read, %ld written, %.2f s", entry.toName.c_str(),
                  entry.fromName.c_str(), recordsIn(insidePath(targetRoot(), "language\\" + entry.fromName)),
                  recordsIn(insidePath(targetRoot(), "language\\" + entry.toName)), seconds);
    logLine(text);
}

}  // namespace

void showBuildFinished() {
    std::string text;
    if (scriptSettings.displayFile[0] != '\0' && readDisplayFile(scriptSettings.displayFile, text))
        showClosingMessage(text.c_str());
    else
        showClosingMessage(kFinishedText);
}

std::vector<ListLine> contentLines(const std::string& text) {
    std::vector<ListLine> lines;
    for (TextPiece& piece : textPieces(text, kListLineLength))
        if (!piece.text.empty() && piece.text[0] != '#')
            lines.push_back({piece.line, std::move(piece.text)});
    return lines;
}

std::string unwritableLanguageText(const char* listPath) {
    std::vector<ListLine> lines;
    std::string text, character;
    if (readListLines(openFile(listPath, "rb"), lines) == WholeRead::Read)
        findUnwritable(lines, text, character);
    return text.empty() ? std::string() : character;
}

// The tokeniser's reading of the line: field 1 runs from the start of the
// line (commas before it included) to the comma after its first other
// character; later fields are runs of non-commas, any run of commas being
// one separator.
int splitLanguageLine(const char* line, LanguageEntry& entry) {
    std::string* const fields[] = {&entry.keptFields[0], &entry.keptFields[1], &entry.keptFields[2], &entry.displayName};
    for (std::string* field : fields)
        field->clear();

    std::string_view rest(line);
    int found = 0;
    bool first = true;
    while (found < 4) {
        std::size_t start = rest.find_first_not_of(',');
        if (start == std::string_view::npos)
            break;
        std::size_t end = std::min(rest.find(',', start), rest.size());
        *fields[found++] = std::string(rest.substr(first ? 0 : start, first ? end : end - start));
        first = false;
        rest.remove_prefix(end);
    }
    return found;
}

// The whole list is read and checked before the first block is built, so
// that a text kelmo.ini cannot hold leaves nothing half-done.
void processLanguageList() {
    std::vector<ListLine> lines;
    switch (readListLines(openInside(targetRoot(), kListName, "rb"), lines)) {
    case WholeRead::NotOpened:
        fatalError(metLink() ? "Can't open LANGUAGE.CF: a link stands in its place" : "Can't open LANGUAGE.CF");
    case WholeRead::NotRead:
        fatalError("Can't read LANGUAGE.CF");
    case WholeRead::Read:
        break;
    }
    std::string unwritable, character;
    findUnwritable(lines, unwritable, character);
    if (!unwritable.empty())
        fatalError(unwritableSettingsMessage(unwritable, character).c_str());

    for (std::size_t at = 0; at < lines.size(); at += 3) {
        const std::string& line = lines[at].text;
        LanguageEntry entry;
        if (splitLanguageLine(line.c_str(), entry) < 4)
            fatalError(("Language line \"" + line + "\" has fewer than four fields").c_str());
        if (!selectCollation("italian"))
            showCollationWarning(kCollationWarning);
        if (at + 2 >= lines.size())
            fatalError("LANGUAGE.CF ends inside a language block");
        entry.fromName = lines[at + 1].text;
        entry.toName = lines[at + 2].text;
        refuseWordListNames(entry);
        // What the block writes, announced with one write to the journal.
        announceFiles({insidePath(targetRoot(), "tmp.ini"), insidePath(targetRoot(), "kelmo.ini"),
                       insidePath(targetRoot(), "language\\temp.wb"),
                       insidePath(targetRoot(), "language\\" + entry.toName)});

        if (at == 0)
            createSettingsFile(entry.fromName.c_str());
        // The scratch list is noted too: it stays behind when it cannot be
        // deleted, and the uninstaller passes over it when it is gone.
        const std::string toPath = insidePath(targetRoot(), "language\\" + entry.toName);
        const std::string tempPath = insidePath(targetRoot(), "language\\temp.wb");
        noteWrittenFile(toPath.c_str(), fileExists(toPath.c_str()));
        noteWrittenFile(tempPath.c_str(), fileExists(tempPath.c_str()));
        const auto started = std::chrono::steady_clock::now();
        buildReverseList(entry);
        logBuild(entry, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        showBuildFinished();
        dropLanguageEntry(entry.displayName.c_str());
        appendLanguageEntry(entry);
    }
    // A list that was there before the run is set aside by the journal,
    // which is its removal; one the run copied is removed.
    const std::string listPath = insidePath(targetRoot(), kListName);
    if (journalFile(listPath) && (!fileExists(listPath.c_str()) || removeInside(targetRoot(), kListName)))
        noteRemovedFile(listPath.c_str());
}

#include "wordlist/LanguageList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Collation.h"
#include "base/FileLayer.h"
#include "base/Log.h"
#include "wordlist/WordRecord.h"
#include "base/InstallRecord.h"
#include "base/ScriptSettings.h"
#include "base/MessageBoxes.h"
#include "settings/SettingsFile.h"
#include "wordlist/ReverseList.h"

namespace {

constexpr const char* kListName = "language.cf";
constexpr const char* kCollationWarning =
    "Error setting LOCALE\nSort results may not be valid.\n\n"
    "Install multi-language support from your Windows cd-rom for this language.   ";
constexpr char kFinishedText[] = "Install Finished ";

// A display file is meant for a message box; anything larger is not shown.
constexpr long kMaxDisplayFileBytes = 1L << 20;

// Reads the next line of a block; at the end of the list returns false, and
// a read error ends the process rather than passing for the end.
bool readListLine(std::FILE* list, char (&buf)[100]) {
    if (readContentLine(list, buf) == 0)
        return true;
    if (std::ferror(list))
        fatalError("Can't read LANGUAGE.CF");
    return false;
}

// Reads the display file whole into text, zero-terminated; false when it
// cannot be opened, sized or read in full, or is too large for a message.
bool readDisplayFile(const char* name, std::vector<char>& text) {
    FilePtr file = openFile(name, "rb");
    if (!file)
        return false;
    const long size = fileSize(file.get());
    if (size < 0 || size > kMaxDisplayFileBytes)
        return false;
    text.assign(static_cast<std::size_t>(size) + 1, '\0');
    return readItems(text.data(), 1, static_cast<std::size_t>(size), file.get());
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
                  entry.fromName.c_str(), recordsIn("language\\" + entry.fromName),
                  recordsIn("language\\" + entry.toName), seconds);
    logLine(text);
}

}  // namespace

void showBuildFinished() {
    std::vector<char> text;
    if (scriptSettings.displayFile[0] != '\0' && readDisplayFile(scriptSettings.displayFile, text))
        showClosingMessage(text.data());
    else
        showClosingMessage(kFinishedText);
}

int readContentLine(std::FILE* list, char (&buf)[100]) {
    ListPosition at;
    return readContentLine(list, buf, at);
}

// A read that ends without a LF leaves the rest of its line to the next.
int readContentLine(std::FILE* list, char (&buf)[100], ListPosition& at) {
    for (;;) {
        if (!std::fgets(buf, sizeof buf, list))
            return -1;
        at.line = at.nextLine;
        std::size_t len = std::strlen(buf);
        if (len > 0 && buf[len - 1] == '\n') {
            buf[len - 1] = '\0';
            ++at.nextLine;
        }
        if (buf[0] != '\0' && buf[0] != '#')
            return 0;
    }
}

// The tokeniser's reading of the line: field 1 runs from the start of the
// line (commas before it included) to the comma after its first other
// character; later fields are runs of non-commas, any run of commas being
// one separator.
int splitLanguageLine(const char* line, LanguageEntry& entry) {
    std::string* const fields[] = {&entry.field1, &entry.field2, &entry.field3, &entry.displayName};
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

void processLanguageList() {
    FilePtr list = openFile(kListName, "rt");
    if (!list)
        fatalError("Can't open LANGUAGE.CF");

    char line[100];
    for (int block = 0; readListLine(list.get(), line); ++block) {
        LanguageEntry entry;
        if (splitLanguageLine(line, entry) < 4)
            fatalError(("Language line \"" + std::string(line) + "\" has fewer than four fields").c_str());
        if (!selectCollation("italian"))
            showCollationWarning(kCollationWarning);
        if (!readListLine(list.get(), line))
            fatalError("LANGUAGE.CF ends inside a language block");
        entry.fromName = line;
        if (!readListLine(list.get(), line))
            fatalError("LANGUAGE.CF ends inside a language block");
        entry.toName = line;

        if (block == 0)
            createSettingsFile(entry.fromName.c_str());
        // The scratch list is noted too: it stays behind when it cannot be
        // deleted, and the uninstaller passes over it when it is gone.
        const std::string toPath = "language\\" + entry.toName;
        noteWrittenFile(toPath.c_str(), fileExists(toPath.c_str()));
        noteWrittenFile("language\\temp.wb", fileExists("language\\temp.wb"));
        const auto started = std::chrono::steady_clock::now();
        buildReverseList(entry);
        logBuild(entry, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        showBuildFinished();
        dropLanguageEntry(entry.displayName.c_str());
        appendLanguageEntry(entry);
    }
    list.reset();
    if (removeFile(kListName))
        noteRemovedFile(kListName);
}

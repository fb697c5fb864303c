#include "settings/SettingsFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "core/CodePage.h"
#include "core/Collation.h"
#include "core/FileLayer.h"
#include "record/InstallRecord.h"
#include "run/ScriptSettings.h"
#include "run/Progress.h"
#include "settings/LanguageEntry.h"
#include "settings/SettingsRewrite.h"
#include "run/EarlyEnd.h"
#include "run/Journaling.h"

namespace {

constexpr const char* kHeaderPiece = "# --- kelmo.ini -------------------------------------------------\n\n";
constexpr const char* kEofLine = "# --- EOF --------------------------------------------------------\n";
constexpr const char* kLanguageSection = "[language]";
constexpr std::size_t kLanguageSectionLength = 10;

// Read limits: each read delivers at most this many characters minus one.
constexpr int kDropLineSize = 300;
constexpr int kAppendLineSize = 210;
constexpr int kSortLineSize = 300;

// The in-memory form of one entry during the sort.
struct LanguageSlot {
    char line[300];         // the entry line without its line end
    char displayName[200];  // its sort key
};
static_assert(sizeof(LanguageSlot) == 500, "a language slot is 500 bytes");

void stripLineEnd(char* line) {
    std::size_t len = std::strlen(line);
    if (len > 0 && line[len - 1] == '\n')
        line[len - 1] = '\0';
}

template <std::size_t N>
void copyView(char (&dst)[N], std::string_view src) {
    std::size_t len = std::min(src.size(), N - 1);
    if (len > 0)
        std::memcpy(dst, src.data(), len);
    dst[len] = '\0';
}

// The fields of a line are its maximal runs of characters other than ",";
// a line end still attached belongs to the last field.
struct LineFields {
    int count = 0;
    std::string_view first;
    std::string_view fourth;
};

LineFields splitFields(const char* line) {
    LineFields fields;
    std::string_view rest(line);
    for (;;) {
        std::size_t start = rest.find_first_not_of(',');
        if (start == std::string_view::npos)
            return fields;
        rest.remove_prefix(start);
        std::size_t end = std::min(rest.find(','), rest.size());
        ++fields.count;
        if (fields.count == 1)
            fields.first = rest.substr(0, end);
        else if (fields.count == 4)
            fields.fourth = rest.substr(0, end);
        rest.remove_prefix(end);
    }
}

// Whether a line read with its line end is the entry of displayName. The
// key of a line of four or more fields is its fourth field less the last
// character (the line end on a proper entry line), of one to three fields
// its first field; a line of commas alone has none.
bool isEntryOf(const char* line, const char* displayName) {
    LineFields fields = splitFields(line);
    if (fields.count == 0)
        return false;
    std::string key(fields.count >= 4 ? fields.fourth.substr(0, fields.fourth.size() - 1)
                                      : fields.first);
    return foldEquals(key.c_str(), displayName);
}

// The entry rule of the language section, for a line without its line end:
// the non-empty, non-comment lines after a "[language]" line, up to the
// next empty or comment line, are entries.
bool takeSectionEntry(const char* line, bool& inSection) {
    if (line[0] == '\0' || line[0] == '#') {
        inSection = false;
        return false;
    }
    bool entry = inSection;
    if (foldEquals(line, kLanguageSection))
        inSection = true;
    return entry;
}

// Hands every read of at most size - 1 characters to take, in order, until
// take returns false; false when a read fails.
template <int size, typename Take>
bool eachRead(std::FILE* in, Take take) {
    char line[size];
    for (;;) {
        const ReadResult got = readPiece(in, line, sizeof line);
        if (got != ReadResult::Line)
            return got == ReadResult::End;
        if (!take(line))
            return true;
    }
}

// Hands every entry of the language section (a read without its line end)
// to take; false when a read fails.
template <typename Take>
bool eachSectionEntry(std::FILE* in, Take take) {
    bool inSection = false;
    return eachRead<kSortLineSize>(in, [&](char* line) {
        stripLineEnd(line);
        return !takeSectionEntry(line, inSection) || take(line);
    });
}

// A text of the program in the code page the file is read in.
std::string settingsText(const std::string& utf8) {
    std::string ansi, character;
    if (!toAnsi(utf8, ansi, character))
        fatalError(unwritableSettingsMessage(utf8, character).c_str());
    return ansi;
}

}  // namespace

std::string unwritableSettingsMessage(const std::string& text, const std::string& character) {
    return "Can't write \"" + text + "\" into DICT.INI: the system's code page has no \"" + character + "\"";
}

// An existing kelmo.ini is never changed here. A new one gets the skeleton,
// and a skeleton that could not be written completely is removed again.
// A kelmo.ini that exists but cannot be read is reported, never replaced by
// a new skeleton.
void createSettingsFile(const char* fromName) {
    const std::string from = settingsText(fromName);
    errno = 0;
    bool exists = openInside(settingsRoot(), settingsName(), "rt") != nullptr;
    if (!exists && errno != ENOENT)
        settingsFailure("Can't open DICT.INI");
    if (scriptSettings.verbose == 1)
        progressLayout.statusY += 25;
    if (exists)
        return;

    // Written as tmp.ini and put in place whole: a kelmo.ini is never one
    // cut short.
    PendingFile out(settingsRoot(), kScratchName);
    if (!journalScratch() || !out.open("wt"))
        settingsFailure("Can't create DICT.INI");
    const char* const skeleton[] = {
        kHeaderPiece, "[AddNew]\n", "on\n\n", "[selected]\n", from.c_str(), "\n\n", "[language]\n\n\n", kEofLine,
    };
    bool ok = true;
    for (const char* piece : skeleton)
        ok = ok && writeText(out.get(), piece);
    ok = out.close() && ok && replaceSettings();
    if (!ok) {
        out.discard();
        fatalError("Can't create DICT.INI");
    }
    out.finish();
    noteWrittenFile(insidePath(settingsRoot(), kSettingsName).c_str(), false);
}

// Every line of the file is tested, each read of at most 299 characters
// judged as a line of its own.
void dropLanguageEntry(const char* displayName) {
    const std::string name = settingsText(displayName);
    Rewrite rewrite;
    beginRewrite(rewrite);
    readOrFail(rewrite, eachRead<kDropLineSize>(rewrite.in.get(), [&](const char* line) {
        if (!isEntryOf(line, name.c_str()))
            writeOrFail(rewrite, line);
        return true;
    }));
    commitRewrite(rewrite);
}

// The entry goes before the first line of at most one character (normally
// the empty line that ends the group) after each "[language]" line, taking
// that line's place together with a new empty line. When the file ends
// before such a line, the entry becomes the file's last line.
void appendLanguageEntry(const LanguageEntry& entry) {
    const std::string entryLine =
        settingsText(entry.keptFields[0] + "," + entry.keptFields[1] + "," + entry.keptFields[2] + "," + entry.displayName);
    Rewrite rewrite;
    beginRewrite(rewrite);
    bool inGroup = false;
    bool lineEnded = true;
    readOrFail(rewrite, eachRead<kAppendLineSize>(rewrite.in.get(), [&](const char* line) {
        const std::size_t len = std::strlen(line);
        if (inGroup && len <= 1) {
            writeOrFail(rewrite, (entryLine + "\n\n").c_str());
            inGroup = false;
            lineEnded = true;
            return true;
        }
        writeOrFail(rewrite, line);
        lineEnded = len > 0 && line[len - 1] == '\n';
        inGroup = inGroup || foldPrefixEquals(line, kLanguageSection, kLanguageSectionLength);
        return true;
    }));
    if (inGroup) {
        if (!lineEnded)
            writeOrFail(rewrite, "\n");
        writeOrFail(rewrite, (entryLine + "\n").c_str());
    }
    commitRewrite(rewrite);
}

int countLanguageEntries() {
    FilePtr in = openInside(settingsRoot(), settingsName(), "rt");
    if (!in)
        return -1;
    std::int32_t found = 0;
    if (!eachSectionEntry(in.get(), [&](const char*) { return ++found, true; }))
        return -1;
    return found;
}

namespace {

// Writes tmp.ini as kelmo.ini up to and including its first "[language]"
// line, then the entries in the given order, one empty line and the EOF
// line, and lets it replace kelmo.ini. The sort loses nothing but the order
// when it fails, so a failure here (tmp.ini not made or not written whole,
// kelmo.ini read-only or locked) is not fatal: tmp.ini is removed, kelmo.ini
// stays as it was and false tells the caller.
bool rewriteSorted(const std::vector<const LanguageSlot*>& order) {
    Rewrite rewrite;
    rewrite.in = openInside(settingsRoot(), settingsName(), "rt");
    if (!rewrite.in || !journalScratch() || !rewrite.out.open("wt"))
        return false;

    bool written = true;
    auto put = [&](const char* text) { written = written && writeText(rewrite.out.get(), text); };
    bool sectionFound = false;
    // A section gone since the count, or a file that cannot be read, ends
    // the copy before the section: nothing is replaced then.
    eachRead<kSortLineSize>(rewrite.in.get(), [&](const char* line) {
        put(line);
        sectionFound = foldPrefixEquals(line, kLanguageSection, kLanguageSectionLength);
        return written && !sectionFound;
    });
    written = written && sectionFound;
    for (const LanguageSlot* slot : order) {
        put(slot->line);
        put("\n");
    }
    put("\n");
    put(kEofLine);
    rewrite.in.reset();
    const bool closed = rewrite.out.close();
    if (!written || !closed || !replaceSettings())
        return false;
    rewrite.out.finish();
    return true;
}

}  // namespace

// Loads the entries into count slots, sorts references to them by display
// name (equal names keep their file order) and rewrites the file from the
// first "[language]" line on: the entries, one empty line, the EOF comment
// line. Gives up with -1, kelmo.ini untouched and no tmp.ini left, when a
// read, an allocation or the rewrite fails or the file holds more entries
// than were counted.
int sortLanguageSection(int count) {
    FilePtr in = openInside(settingsRoot(), settingsName(), "rt");
    if (!in)
        return -1;
    if (count < 0 ||
        static_cast<std::uint64_t>(count) > std::numeric_limits<std::size_t>::max() / sizeof(LanguageSlot))
        return -1;
    const std::size_t capacity = static_cast<std::size_t>(count);
    std::unique_ptr<LanguageSlot[]> slots(new (std::nothrow) LanguageSlot[capacity]());
    if (!slots)
        return -1;

    std::size_t loaded = 0;
    bool fits = true;
    const bool read = eachSectionEntry(in.get(), [&](const char* line) {
        if (loaded == capacity)
            return fits = false;
        LanguageSlot& slot = slots[loaded++];
        copyView(slot.line, line);
        LineFields fields = splitFields(line);
        copyView(slot.displayName, fields.count >= 4 ? fields.fourth : fields.first);
        return true;
    });
    if (!read || !fits)
        return -1;
    in.reset();

    std::vector<const LanguageSlot*> order;
    try {
        order.reserve(loaded);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    for (std::size_t i = 0; i < loaded; ++i)
        order.push_back(&slots[i]);
    std::stable_sort(order.begin(), order.end(), [](const LanguageSlot* a, const LanguageSlot* b) {
        return collateCompare(a->displayName, b->displayName) < 0;
    });

    return rewriteSorted(order) ? 0 : -1;
}

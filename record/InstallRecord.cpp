#include "record/InstallRecord.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/CodePage.h"
#include "core/Collation.h"
#include "core/FileLayer.h"
#include "core/PathText.h"

namespace {

// Records of the first version carry no "existed" or "set" lines and were
// written in the system's ANSI code page; records 2 are UTF-8.
constexpr const char* kVersionLine = "record 2";
constexpr const char* kFirstVersionLine = "record 1";
constexpr std::size_t kLongestLine = 2048;
constexpr long kLongestRecord = 16L << 20;

const char* const kHeader[] = {
    "# uninstall.dat: what the installation into this folder created or changed.",
    "# uninstall.exe reads it to take the installation back; an edited record is refused.",
    "#   dir PATH                    a directory it made (removed when empty)",
    "#   file PATH                   a file it wrote (removed)",
    "#   existed PATH                a file that was there before; the installation replaced it (kept)",
    "#   ini [Dictionary] KEY=VALUE  a win.ini key and its value before (restored)",
    "#   ini [Dictionary] KEY        a win.ini key that was not set before (removed)",
    "#   set [Dictionary] KEY=VALUE  the value the installation gave it (restored only while it holds it)",
    "#   section [Dictionary] new    the win.ini section was new (removed when empty)",
    "# The end line counts the lines above it and carries their checksum.",
};

// FNV-1a, 32 bits, over each line and a line feed: the end line's check.
std::uint32_t addToChecksum(std::uint32_t sum, const std::string& line) {
    for (unsigned char c : line + "\n") {
        sum ^= c;
        sum *= 16777619u;
    }
    return sum;
}
constexpr std::uint32_t kChecksumStart = 2166136261u;

std::string endLine(std::size_t count, std::uint32_t sum) {
    char text[64];
    std::snprintf(text, sizeof text, "end %zu %08x", count, static_cast<unsigned>(sum));
    return text;
}

void addOnce(std::vector<std::string>& list, const std::string& item) {
    if (!item.empty() && !pathListed(list, item))
        list.push_back(item);
}

IniKeyChange* findKey(std::vector<IniKeyChange>& keys, const std::string& key) {
    for (IniKeyChange& change : keys)
        if (foldEquals(change.key.c_str(), key.c_str()))
            return &change;
    return nullptr;
}

// The record's lines, as the writer puts them down, without the end line.
std::vector<std::string> recordLines(const InstallRecord& record) {
    std::vector<std::string> lines(std::begin(kHeader), std::end(kHeader));
    lines.push_back(kVersionLine);
    lines.push_back(record.title.empty() ? "title" : "title " + record.title);
    lines.push_back("target " + record.target);
    for (const std::string& dir : record.directories)
        lines.push_back("dir " + dir);
    for (const std::string& file : record.files)
        lines.push_back("file " + file);
    for (const std::string& file : record.existed)
        lines.push_back("existed " + file);
    const std::string section = std::string("[") + kRecordSection + "] ";
    if (record.createdIniSection)
        lines.push_back("section " + section + "new");
    for (const IniKeyChange& change : record.iniKeys) {
        lines.push_back("ini " + section + change.key + (change.hadValue ? "=" + change.previous : ""));
        if (change.givenKnown)
            lines.push_back("set " + section + change.key + "=" + change.given);
    }
    return lines;
}

// --- reading ---

struct Refusal {
    RecordFault fault = RecordFault::None;
    std::string detail;
};

// Reads every line of the file, line ends (LF or CR LF) removed. The file is
// read whole, in binary: a zero byte, which a text read would silently cut
// a line at, makes it damaged, and a last line without its line end was
// cut short.
RecordFault readLines(std::FILE* file, std::vector<std::string>& lines, std::string& detail) {
    const long size = fileSize(file);
    if (size < 0)
        return RecordFault::Unreadable;
    if (size > kLongestRecord) {
        detail = "it is larger than any record";
        return RecordFault::Damaged;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !readItems(&bytes[0], 1, bytes.size(), file))
        return RecordFault::Unreadable;
    if (bytes.find('\0') != std::string::npos) {
        detail = "it holds a zero byte";
        return RecordFault::Damaged;
    }
    std::size_t at = 0;
    for (std::size_t end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = bytes.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kLongestLine) {
            detail = "line " + std::to_string(lines.size() + 1) + " is too long";
            return RecordFault::Damaged;
        }
        lines.push_back(line);
    }
    if (at < bytes.size()) {
        detail = "the last line ends without a line end";
        return RecordFault::Truncated;
    }
    return RecordFault::None;
}

// The lines as text. A record 2 whose bytes are not all UTF-8 was written in
// the ANSI code page by an installer from before UTF-8 (its end line
// agrees, so no byte of it changed), and is read as a record 1 is.
void decodeLines(std::vector<std::string>& lines) {
    const auto version = std::find_if(lines.begin(), lines.end(),
                                      [](const std::string& line) { return !line.empty() && line[0] != '#'; });
    const bool utf8 = version != lines.end() && *version == kVersionLine &&
                      std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
                          return firstInvalidUtf8(line) == std::string::npos;
                      });
    if (!utf8)
        for (std::string& line : lines)
            line = decodeText(line, kAnsiCodePage);
}

// The end line must be the last line and agree with the lines above it.
RecordFault checkEndLine(std::vector<std::string>& lines, std::string& detail) {
    auto isEnd = [](const std::string& line) { return line.compare(0, 4, "end ") == 0; };
    auto end = std::find_if(lines.begin(), lines.end(), isEnd);
    if (end == lines.end()) {
        detail = "it has no end line";
        return RecordFault::Truncated;
    }
    if (end + 1 != lines.end()) {
        detail = "lines follow its end line";
        return RecordFault::Damaged;
    }
    const std::string found = *end;
    lines.pop_back();
    std::uint32_t sum = kChecksumStart;
    for (const std::string& line : lines)
        sum = addToChecksum(sum, line);
    if (found != endLine(lines.size(), sum)) {
        detail = "its end line \"" + found + "\" does not match the " + std::to_string(lines.size()) +
                 " lines above it";
        return RecordFault::Damaged;
    }
    return RecordFault::None;
}

// "[Dictionary] rest": the section checked, rest returned.
bool takeSection(const std::string& argument, std::string& rest, Refusal& refusal) {
    std::size_t close = argument.find("] ");
    if (argument.empty() || argument[0] != '[' || close == std::string::npos) {
        refusal = {RecordFault::Damaged, "\"" + argument + "\" names no section"};
        return false;
    }
    const std::string section = argument.substr(1, close - 1);
    if (!foldEquals(section.c_str(), kRecordSection)) {
        refusal = {RecordFault::Planted, "the section [" + section + "] is not [Dictionary]"};
        return false;
    }
    rest = argument.substr(close + 2);
    return true;
}

// A dir, file or existed entry, which must lie where the roots allow.
bool takePath(std::vector<std::string>& list, bool dir, const std::string& path, const RecordRoots& roots,
              Refusal& refusal) {
    if (!insideInstallation(path, dir, roots)) {
        refusal = {RecordFault::Planted, "\"" + path + "\" lies outside " + normalRecordPath(roots.target, "") +
                                             " and the Start menu's Programs folders"};
        return false;
    }
    list.push_back(path);
    return true;
}

// "[Dictionary] KEY=VALUE" or "[Dictionary] KEY" of an ini line; a set
// line ("[Dictionary] KEY=VALUE") gives the value of a key named above it.
bool takeIniKey(bool given, const std::string& argument, InstallRecord& out, Refusal& refusal) {
    std::string rest;
    if (!takeSection(argument, rest, refusal))
        return false;
    const std::size_t equals = rest.find('=');
    const std::string key = rest.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : rest.substr(equals + 1);
    if (key.empty() || (given && equals == std::string::npos)) {
        refusal = {RecordFault::Damaged, "\"" + argument + "\" names no key and value"};
        return false;
    }
    if (!given) {
        out.iniKeys.push_back({key, equals != std::string::npos, value, false, ""});
        return true;
    }
    IniKeyChange* change = findKey(out.iniKeys, key);
    if (!change || change->givenKnown) {
        refusal = {RecordFault::Damaged, "\"set " + argument + "\" follows no ini line of its key"};
        return false;
    }
    change->givenKnown = true;
    change->given = value;
    return true;
}

// One entry line; target and title come before the entries.
bool takeEntry(bool version2, const std::string& keyword, const std::string& argument, const RecordRoots& roots,
               InstallRecord& out, Refusal& refusal) {
    if (keyword == "dir")
        return takePath(out.directories, true, argument, roots, refusal);
    if (keyword == "file")
        return takePath(out.files, false, argument, roots, refusal);
    if (keyword == "existed" && version2)
        return takePath(out.existed, false, argument, roots, refusal);
    if ((keyword == "ini") || (keyword == "set" && version2))
        return takeIniKey(keyword == "set", argument, out, refusal);
    std::string rest;
    if (keyword == "section" && takeSection(argument, rest, refusal) && rest == "new") {
        out.createdIniSection = true;
        return true;
    }
    if (refusal.fault == RecordFault::None)
        refusal = {RecordFault::Damaged, "the line \"" + keyword + " " + argument + "\" is not understood"};
    return false;
}


// The lines in their order: the version, the title, the target (which must
// be the folder the record was found for), then the entries.
Refusal parseLines(const std::vector<std::string>& lines, RecordRoots roots, InstallRecord& out) {
    bool versionSeen = false, version2 = false, titleSeen = false, targetSeen = false;
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == '#')
            continue;
        std::size_t space = line.find(' ');
        const std::string keyword = line.substr(0, space);
        const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        Refusal refusal;
        if (!versionSeen) {
            if (line != kVersionLine && line != kFirstVersionLine)
                return {RecordFault::Damaged, "it does not begin with \"" + std::string(kVersionLine) + "\""};
            versionSeen = true;
            version2 = line == kVersionLine;
        } else if (!titleSeen && keyword == "title") {
            titleSeen = true;
            out.title = argument;
        } else if (!targetSeen && keyword == "target") {
            targetSeen = true;
            out.target = argument;
            if (!recordTargetExpected(argument, roots))
                return {RecordFault::ForeignTarget, argument};
            roots.target = normalRecordPath(argument, "");
        } else if (!targetSeen) {
            return {RecordFault::Damaged, "it names no target directory before its entries"};
        } else if (!takeEntry(version2, keyword, argument, roots, out, refusal)) {
            return refusal;
        }
    }
    if (!targetSeen)
        return {RecordFault::Damaged, "it names no target directory"};
    return {};
}

}  // namespace

RecordFault readInstallRecord(const char* path, const RecordRoots& roots, InstallRecord& out,
                              std::string& detail) {
    out = InstallRecord{};
    detail.clear();
    errno = 0;
    FilePtr file = openFile(path, "rb");
    if (!file)
        return errno == ENOENT ? RecordFault::Missing : RecordFault::Unreadable;
    std::vector<std::string> lines;
    RecordFault fault = readLines(file.get(), lines, detail);
    if (fault == RecordFault::None)
        fault = checkEndLine(lines, detail);
    if (fault != RecordFault::None)
        return fault;
    decodeLines(lines);
    InstallRecord read;
    Refusal refusal = parseLines(lines, roots, read);
    if (refusal.fault != RecordFault::None) {
        detail = refusal.detail;
        return refusal.fault;
    }
    out = read;
    return RecordFault::None;
}

std::string recordFaultMessage(RecordFault fault, const std::string& detail) {
    const std::string why = detail.empty() ? "" : " (" + detail + ")";
    switch (fault) {
    case RecordFault::None:
        return "";
    case RecordFault::Missing:
        return "The install record uninstall.dat is missing from this folder, so it is not known what "
               "the installation made. Nothing was removed.";
    case RecordFault::Unreadable:
        return "The install record uninstall.dat cannot be read. Nothing was removed.";
    case RecordFault::Truncated:
        return "The install record uninstall.dat is cut short" + why + ". Nothing was removed.";
    case RecordFault::Damaged:
        return "The install record uninstall.dat is damaged" + why + ". Nothing was removed.";
    case RecordFault::ForeignTarget:
        return "The install record uninstall.dat was written for another folder" + why +
               ". Nothing was removed.";
    case RecordFault::Planted:
        return "The install record uninstall.dat names something outside the installation" + why +
               ". Nothing was removed.";
    }
    return "";
}

namespace {

// The record's lines and its end line; false when any was not written.
bool writeRecordLines(const InstallRecord& record, std::FILE* out) {
    bool ok = true;
    std::uint32_t sum = kChecksumStart;
    const std::vector<std::string> lines = recordLines(record);
    for (const std::string& line : lines) {
        sum = addToChecksum(sum, line);
        ok = ok && writeText(out, (line + "\n").c_str());
    }
    return ok && writeText(out, (endLine(lines.size(), sum) + "\n").c_str());
}

}  // namespace

bool writeInstallRecord(const InstallRecord& record, const char* path, const char* scratchPath) {
    FilePtr out = openFile(scratchPath, "wt");
    if (!out)
        return false;
    bool ok = writeRecordLines(record, out.get());
    ok = closeWritten(out) && ok;
    if (ok && replaceFile(scratchPath, path))
        return true;
    removeFile(scratchPath);
    return false;
}

bool writeInstallRecordInside(const InstallRecord& record, const char* folder) {
    PendingFile scratch(folder, kRecordScratchName);
    if (!scratch.open("wt"))
        return false;
    const bool ok = writeRecordLines(record, scratch.get());
    if (!scratch.close() || !ok || !replaceInside(folder, kRecordScratchName, kRecordName))
        return false;
    scratch.finish();
    return true;
}

InstallRecord mergeInstallRecords(const InstallRecord& earlier, const InstallRecord& later) {
    InstallRecord merged = earlier;
    if (!later.title.empty())
        merged.title = later.title;
    merged.target = later.target.empty() ? earlier.target : later.target;
    for (const std::string& dir : later.directories)
        addOnce(merged.directories, dir);
    // A file the earlier run created stays created; one that was there
    // before the earlier run stays kept, whatever the later run found.
    for (const std::string& file : later.files)
        if (!pathListed(earlier.existed, file))
            addOnce(merged.files, file);
    for (const std::string& file : later.existed)
        if (!pathListed(earlier.files, file))
            addOnce(merged.existed, file);
    for (const IniKeyChange& change : later.iniKeys) {
        IniKeyChange* known = findKey(merged.iniKeys, change.key);
        if (!known) {
            merged.iniKeys.push_back(change);
        } else if (change.givenKnown) {
            known->givenKnown = true;
            known->given = change.given;
        }
    }
    merged.createdIniSection = earlier.createdIniSection || later.createdIniSection;
    return merged;
}

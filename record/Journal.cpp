#include "record/Journal.h"

#include <algorithm>
#include <cstdio>

#include "core/Collation.h"
#include "core/PathText.h"

namespace {

constexpr const char* kVersionText = "journal 1";
constexpr std::size_t kLongestLine = 1 << 16;
constexpr std::uint32_t kChainStart = 2166136261u;

// FNV-1a, 32 bits, over the line's text and a line feed, continuing from
// the checksum of the lines before it.
std::uint32_t chained(std::uint32_t sum, const std::string& text) {
    for (unsigned char c : text + "\n") {
        sum ^= c;
        sum *= 16777619u;
    }
    return sum;
}

std::string checkedLine(const std::string& text, std::uint32_t& chain) {
    chain = chained(chain, text);
    char sum[16];
    std::snprintf(sum, sizeof sum, "%08x ", static_cast<unsigned>(chain));
    return sum + text + "\n";
}

std::vector<std::string> splitFields(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (std::size_t tab; (tab = text.find('\t', at)) != std::string::npos; at = tab + 1)
        fields.push_back(text.substr(at, tab - at));
    fields.push_back(text.substr(at));
    return fields;
}

// "-" for no value, "=" and the value for one.
std::string optionalValue(bool hadValue, const std::string& value) {
    return hadValue ? "=" + escapeJournalText(value) : "-";
}

bool readOptionalValue(const std::string& field, bool& hadValue, std::string& value) {
    if (field == "-") {
        hadValue = false;
        value.clear();
        return true;
    }
    hadValue = !field.empty() && field[0] == '=';
    return hadValue && unescapeJournalText(field.substr(1), value);
}

// A whole line's text as an entry; false, with detail, when it does not
// belong in a journal for these roots.
bool readEntry(const std::string& text, const RecordRoots& roots, const std::string& backupFolder,
               JournalEntry& entry, std::string& detail) {
    const std::vector<std::string> f = splitFields(text);
    const std::string& op = f[0];
    // The record and the uninstaller lie beside the journal, in the folder
    // that holds the backup folder (and the backup folder is made there).
    const std::string ownFolder = backupFolder.substr(0, backupFolder.find_last_of('\\'));
    auto pathField = [&](std::size_t i, bool directory, std::string& out) {
        if (!unescapeJournalText(f[i], out) || normalRecordPath(out, "") != out ||
            !(insideInstallation(out, directory, roots) || pathWithin(out, ownFolder, false))) {
            detail = "\"" + f[i] + "\" lies outside the installation";
            return false;
        }
        return true;
    };
    if (op == "dir" && f.size() == 2) {
        entry.op = JournalOp::Folder;
        return pathField(1, true, entry.path);
    }
    if (op == "file" && f.size() == 2) {
        entry.op = JournalOp::File;
        return pathField(1, false, entry.path);
    }
    if (op == "replace" && f.size() == 3) {
        entry.op = JournalOp::Replace;
        if (!pathField(1, false, entry.path))
            return false;
        if (!unescapeJournalText(f[2], entry.backup) || normalRecordPath(entry.backup, "") != entry.backup ||
            !pathWithin(entry.backup, backupFolder, false)) {
            detail = "the backup \"" + f[2] + "\" lies outside the backup folder";
            return false;
        }
        return true;
    }
    if ((op == "ini" || op == "entry") && f.size() == 3) {
        entry.op = op == "ini" ? JournalOp::IniKey : JournalOp::Entry;
        const bool nameOk = unescapeJournalText(f[1], entry.path) && !entry.path.empty() &&
                            entry.path.find_first_of("=[]\r\n") == std::string::npos;
        if (!nameOk || !readOptionalValue(f[2], entry.hadValue, entry.previous)) {
            detail = "the line \"" + text + "\" is not a whole " + op + " line";
            return false;
        }
        return true;
    }
    if (op == "section" && f.size() == 1) {
        entry.op = JournalOp::IniSection;
        return true;
    }
    if (op == "commit" && f.size() == 1) {
        entry.op = JournalOp::Commit;
        return true;
    }
    detail = "the line \"" + text + "\" does not belong in a journal";
    return false;
}

// The whole lines at the start of bytes, their checksums verified; the
// rest (torn by a power cut) is left.
std::vector<std::string> wholeLines(const std::string& bytes, bool& tornTail) {
    std::vector<std::string> lines;
    std::uint32_t chain = kChainStart;
    std::size_t at = 0;
    for (std::size_t end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = bytes.substr(at, end - at);
        char expected[16];
        if (line.size() < 9 || line.size() > kLongestLine || line[8] != ' ')
            break;
        const std::string text = line.substr(9);
        const std::uint32_t next = chained(chain, text);
        std::snprintf(expected, sizeof expected, "%08x", static_cast<unsigned>(next));
        if (line.compare(0, 8, expected) != 0 || text.find('\0') != std::string::npos)
            break;
        chain = next;
        lines.push_back(text);
    }
    tornTail = at < bytes.size();
    return lines;
}

}  // namespace

std::string escapeJournalText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

bool unescapeJournalText(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
        }
    }
    return true;
}

std::string journalHeader(const std::string& title, const std::string& target, std::uint32_t& chain) {
    chain = kChainStart;
    std::string header = checkedLine(kVersionText, chain);
    header += checkedLine("title\t" + escapeJournalText(title), chain);
    header += checkedLine("target\t" + escapeJournalText(target), chain);
    return header;
}

std::string journalLine(const JournalEntry& entry, std::uint32_t& chain) {
    std::string text;
    switch (entry.op) {
    case JournalOp::Folder: text = "dir\t" + escapeJournalText(entry.path); break;
    case JournalOp::File: text = "file\t" + escapeJournalText(entry.path); break;
    case JournalOp::Replace:
        text = "replace\t" + escapeJournalText(entry.path) + "\t" + escapeJournalText(entry.backup);
        break;
    case JournalOp::IniKey:
        text = "ini\t" + escapeJournalText(entry.path) + "\t" + optionalValue(entry.hadValue, entry.previous);
        break;
    case JournalOp::Entry:
        text = "entry\t" + escapeJournalText(entry.path) + "\t" + optionalValue(entry.hadValue, entry.previous);
        break;
    case JournalOp::IniSection: text = "section"; break;
    case JournalOp::Commit: text = "commit"; break;
    }
    return checkedLine(text, chain);
}

JournalFault parseJournal(const std::string& bytes, const RecordRoots& givenRoots, const std::string& backupFolder,
                          Journal& out, std::string& detail) {
    out = Journal{};
    detail.clear();
    const std::vector<std::string> lines = wholeLines(bytes, out.tornTail);
    auto damaged = [&](const std::string& why) {
        out = Journal{};
        detail = why;
        return JournalFault::Damaged;
    };
    if (lines.size() < 3 || lines[0] != kVersionText || lines[1].compare(0, 6, "title\t") != 0 ||
        lines[2].compare(0, 7, "target\t") != 0)
        return damaged("it does not begin with a journal's header");
    RecordRoots roots = givenRoots;
    if (!unescapeJournalText(lines[1].substr(6), out.title) || !unescapeJournalText(lines[2].substr(7), out.target) ||
        !recordTargetExpected(out.target, roots))
        return damaged("it was written for another target directory");
    roots.target = normalRecordPath(out.target, "");
    const std::string backups = normalRecordPath(backupFolder, "");
    for (std::size_t i = 3; i < lines.size(); ++i) {
        if (out.committed)
            return damaged("a line follows its commit");
        JournalEntry entry;
        if (!readEntry(lines[i], roots, backups, entry, detail))
            return damaged("line " + std::to_string(i + 1) + ": " + detail);
        if (entry.op == JournalOp::Entry && !foldEquals(entry.path.c_str(), uninstallKeyName(roots.target).c_str()))
            return damaged("line " + std::to_string(i + 1) + " names another installation's entry");
        out.committed = entry.op == JournalOp::Commit;
        if (!out.committed)
            out.entries.push_back(entry);
    }
    return JournalFault::None;
}

std::vector<UndoStep> planUndo(const Journal& journal) {
    std::vector<UndoStep> steps;
    if (journal.committed)
        return steps;
    for (auto e = journal.entries.rbegin(); e != journal.entries.rend(); ++e) {
        UndoStep step;
        step.path = e->path;
        switch (e->op) {
        case JournalOp::Folder: step.kind = UndoKind::RemoveEmptyFolder; break;
        case JournalOp::File: step.kind = UndoKind::RemoveFile; break;
        case JournalOp::Replace:
            step.kind = UndoKind::RestoreBackup;
            step.backup = e->backup;
            break;
        case JournalOp::IniKey:
            step.kind = UndoKind::RestoreIniKey;
            step.hadValue = e->hadValue;
            step.previous = e->previous;
            break;
        case JournalOp::IniSection: step.kind = UndoKind::RemoveIniSection; break;
        case JournalOp::Entry:
            step.kind = e->hadValue ? UndoKind::RestoreEntry : UndoKind::RemoveEntry;
            step.previous = e->previous;
            break;
        case JournalOp::Commit: continue;
        }
        steps.push_back(step);
    }
    // A folder is removed only once it is empty, so every folder comes
    // after the files: a run announces a whole block of files at once,
    // before it makes the folders they go into.
    std::stable_partition(steps.begin(), steps.end(),
                          [](const UndoStep& step) { return step.kind != UndoKind::RemoveEmptyFolder; });
    return steps;
}

std::vector<std::string> journalBackups(const Journal& journal) {
    std::vector<std::string> backups;
    for (const JournalEntry& e : journal.entries)
        if (e.op == JournalOp::Replace)
            backups.push_back(e.backup);
    return backups;
}

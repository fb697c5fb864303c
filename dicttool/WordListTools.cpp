#include "dicttool/WordListTools.h"

#include <cstring>
#include <vector>

#include "core/Collation.h"
#include "settings/LanguageEntry.h"
#include "core/CodePage.h"
#include "run/EarlyEnd.h"
#include "dicttool/Platform.h"
#include "dicttool/ToolFiles.h"
#include "wordlist/ReverseList.h"
#include "wordlist/WordRecord.h"

namespace {

constexpr int kMaxReportedLines = 20;

// A file of whole records, or a ToolError that says why not.
void requireWholeRecords(const std::string& path, long long size) {
    if (size % static_cast<long long>(sizeof(WordRecord)) != 0)
        throw ToolError(path + " is " + std::to_string(size) +
                        " bytes, not a whole number of 84-byte records: not a word-list file");
}

long long sizeOf(const std::string& path) {
    if (pathKind(path) == PathKind::Folder)
        throw ToolError("cannot read " + path + ": it is a folder");
    FilePtr file = openFile(path.c_str(), "rb");
    const long size = file ? fileSize(file.get()) : -1;
    if (size < 0)
        throw ToolError("cannot read " + path + ": " + systemError());
    return size;
}

// The text of a field up to its terminator; whether the field has one and
// nothing but zeros behind it.
std::string fieldText(const char* field, std::size_t size, bool& faithful) {
    const std::size_t length = strnlen(field, size);
    faithful = length < size;
    for (std::size_t i = length; i < size; ++i)
        faithful = faithful && field[i] == '\0';
    return std::string(field, length);
}

// Why a record's text does not give back its bytes; "" when it does.
std::string unfaithful(const WordRecord& r, const std::string& word, const std::string& meanings, bool fieldsClean) {
    if (!fieldsClean)
        return "a field without its zero byte, or bytes behind it";
    if (r.reserved[0] || r.reserved[1])
        return "reserved bytes that are not zero";
    if (word.find_first_of("\t\r\n") != std::string::npos || meanings.find_first_of("\r\n") != std::string::npos)
        return "a tab or line break in the text";
    return {};
}

// Records of a text line: headword, a tab, the translations.
void packLine(const std::string& line, long number, std::vector<WordRecord>& records, std::vector<std::string>& errors) {
    const auto bad = [&](const std::string& why) { errors.push_back("line " + std::to_string(number) + ": " + why); };
    if (line.find('\0') != std::string::npos)
        return bad("a zero byte");
    const std::string::size_type tab = line.find('\t');
    if (tab == std::string::npos)
        return bad("no tab between the headword and the translations");
    const std::size_t wordLength = tab, meaningsLength = line.size() - tab - 1;
    if (wordLength > kMaxWordLength)
        return bad("headword of " + std::to_string(wordLength) + " characters, over 30");
    if (meaningsLength > kMaxMeaningsLength)
        return bad("translations of " + std::to_string(meaningsLength) + " characters, over 50");
    WordRecord record{};
    std::memcpy(record.word, line.data(), wordLength);
    std::memcpy(record.meanings, line.data() + tab + 1, meaningsLength);
    records.push_back(record);
}

// The lines of the text in Windows-1252, each packed or an error.
std::vector<WordRecord> packText(const std::string& bytes, TextEncoding encoding, std::vector<std::string>& errors) {
    std::vector<WordRecord> records;
    std::size_t start = encoding == TextEncoding::Utf8 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (long number = 1; start < bytes.size(); ++number) {
        std::string::size_type end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string ansi = line;
        std::size_t badAt = 0;
        if (encoding == TextEncoding::Utf8 && !utf8ToWindows1252(line, ansi, badAt)) {
            errors.push_back("line " + std::to_string(number) + ": byte " + std::to_string(badAt + 1) +
                             " starts no UTF-8 character that Windows-1252 can write");
            continue;
        }
        packLine(ansi, number, records, errors);
    }
    return records;
}

// The scratch folder of one build: <folder>\.dicttool-<pid>\language,
// removed with whatever the build left in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& beside)
        : root_(joinNativePath(beside, ".dicttool-" + std::to_string(processId()))), language_(joinNativePath(root_, "language")) {
        if (!makeFolder(root_))
            throw ToolError("cannot make a scratch folder in " + beside + ": " + systemError());
        if (!makeFolder(language_)) {
            removeFolder(root_);
            throw ToolError("cannot make a scratch folder in " + beside + ": " + systemError());
        }
    }
    ~ScratchFolder() {
        for (const char* name : {"from.wb", "to.wb", "temp.wb"})
            removeFile(joinNativePath(language_, name).c_str());
        removeFolder(language_);
        removeFolder(root_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& root() const { return root_; }
    std::string file(const char* name) const { return joinNativePath(language_, name); }

private:
    std::string root_, language_;
};

// Makes a folder current while it lives.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& path) : saved_(currentFolder()) {
        if (!changeFolder(path))
            throw ToolError("cannot enter " + path + ": " + systemError());
    }
    ~CurrentFolder() { changeFolder(saved_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::string saved_;
};

}  // namespace

int dumpWordList(const std::string& path, std::FILE* out) {
    requireWholeRecords(path, sizeOf(path));
    const std::string bytes = readWholeFile(path);
    int unshown = 0;
    for (std::size_t at = 0; at < bytes.size(); at += sizeof(WordRecord)) {
        WordRecord r;
        std::memcpy(&r, bytes.data() + at, sizeof r);
        bool wordClean = false, meaningsClean = false;
        const std::string word = fieldText(r.word, sizeof r.word, wordClean);
        const std::string meanings = fieldText(r.meanings, sizeof r.meanings, meaningsClean);
        const std::string why = unfaithful(r, word, meanings, wordClean && meaningsClean);
        if (!why.empty() && ++unshown <= kMaxReportedLines)
            std::fprintf(stderr, "dicttool: %s: record %zu has %s: its line does not give back its bytes\n",
                         path.c_str(), at / sizeof r + 1, why.c_str());
        std::fprintf(out, "%s\t%s\n", windows1252ToUtf8(word).c_str(), windows1252ToUtf8(meanings).c_str());
    }
    if (std::ferror(out) || std::fflush(out) != 0)
        throw ToolError("cannot write the records: " + systemError());
    return unshown;
}

long packWordList(const std::string& textPath, TextEncoding encoding, const std::string& outPath) {
    const std::string bytes = readWholeFile(textPath);
    std::vector<std::string> errors;
    const std::vector<WordRecord> records = packText(bytes, encoding, errors);
    if (!errors.empty()) {
        std::string message = textPath + ": " + std::to_string(errors.size()) + " bad lines, nothing written";
        for (std::size_t i = 0; i < errors.size() && i < kMaxReportedLines; ++i)
            message += "\n  " + errors[i];
        throw ToolError(message);
    }
    OutputFile out(outPath);
    if (!records.empty() && !writeItems(records.data(), sizeof(WordRecord), records.size(), out.get()))
        throw ToolError("cannot write " + outPath + ": " + systemError());
    out.commit();
    return static_cast<long>(records.size());
}

ReverseResult reverseWordList(const std::string& fromPath, const std::string& toPath) {
    ReverseResult result;
    const long long fromSize = sizeOf(fromPath);
    requireWholeRecords(fromPath, fromSize);
    result.fromRecords = static_cast<long>(fromSize / static_cast<long long>(sizeof(WordRecord)));
    const std::string from = absolutePath(fromPath), to = absolutePath(toPath);
    if (pathKind(to) == PathKind::Folder)
        throw ToolError("cannot write " + toPath + ": it is a folder");

    ScratchFolder scratch(parentFolder(to));
    if (!linkOrCopyFile(from, scratch.file("from.wb")))
        throw ToolError("cannot copy " + fromPath + " into the scratch folder: " + systemError());
    result.italian = selectCollation("italian");
    try {
        CurrentFolder inScratch(scratch.root());
        LanguageEntry entry;
        entry.displayName = fromPath;
        entry.fromName = "from.wb";
        entry.toName = "to.wb";
        buildReverseList(entry);
    } catch (const EarlyEnd& e) {  // the builder's own message names its scratch files
        throw ToolError("cannot build " + toPath + " from " + fromPath + ": " + e.message);
    } catch (const ToolError& e) {
        throw ToolError("cannot build " + toPath + " from " + fromPath + ": " + e.what());
    }
    result.toRecords = static_cast<long>(sizeOf(scratch.file("to.wb")) / sizeof(WordRecord));
    if (!replaceFile(scratch.file("to.wb").c_str(), to.c_str()))
        throw ToolError("cannot replace " + toPath + ": " + systemError());
    return result;
}

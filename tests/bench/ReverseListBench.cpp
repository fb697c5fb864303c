// Benchmark of the reverse-list builder, driven by scripts/bench.
//
//   reverselist_bench generate OUT COUNT HEADWORDS TRANSLATIONS [SEED]
//       Writes a FROM wordlist of COUNT records: each a headword drawn from
//       the file HEADWORDS (one word a line, in the ANSI code page) and one
//       to four translations drawn from TRANSLATIONS, joined by ", " within
//       50 characters.
//   reverselist_bench entries FROM TEXT
//       Writes the reversed entries of a FROM wordlist as text lines
//       "translation<TAB>headword", formed as the builder forms them, and
//       prints their number.
//   reverselist_bench build DIR FROM_NAME TO_NAME [COLLATION]
//       Builds DIR/language/TO_NAME from DIR/language/FROM_NAME as the
//       installer does (under the collation of that name when one is given)
//       and prints the time taken (wall and processor), the record counts
//       and the peak memory.
//
// Output lines are "name=value", for scripts to read.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/Collation.h"
#include "run/EarlyEnd.h"
#include "run/Progress.h"
#include "tests/bench/Bench.h"
#include "wordlist/LanguageList.h"
#include "wordlist/ReverseList.h"
#include "wordlist/WordRecord.h"

namespace fs = std::filesystem;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: reverselist_bench generate OUT COUNT HEADWORDS TRANSLATIONS [SEED]\n"
                 "       reverselist_bench entries FROM TEXT\n"
                 "       reverselist_bench build DIR FROM_NAME TO_NAME [COLLATION]\n");
    return 2;
}

// Words of 1 to 30 bytes without commas, one a line.
std::vector<std::string> readWords(const char* path) {
    std::vector<std::string> words;
    std::FILE* in = std::fopen(path, "rb");
    if (!in)
        return words;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, in)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        } else if (!std::feof(in)) {  // longer than any word: passed over
            for (int c = std::fgetc(in); c != EOF && c != '\n'; c = std::fgetc(in)) {
            }
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.size() <= kMaxWordLength && line.find(',') == std::string::npos)
            words.push_back(line);
    }
    std::fclose(in);
    return words;
}

int generate(const char* out, long count, const char* headwordFile, const char* translationFile,
             std::uint64_t seed) {
    const std::vector<std::string> headwords = readWords(headwordFile);
    const std::vector<std::string> translations = readWords(translationFile);
    if (headwords.empty() || translations.empty()) {
        std::fprintf(stderr, "no words in %s or %s\n", headwordFile, translationFile);
        return 1;
    }
    std::FILE* file = std::fopen(out, "wb");
    if (!file) {
        std::perror(out);
        return 1;
    }
    // The engine's raw output is the same everywhere; distributions are not.
    std::mt19937_64 random(seed);
    for (long i = 0; i < count; ++i) {
        WordRecord record{};
        const std::string& word = headwords[random() % headwords.size()];
        std::memcpy(record.word, word.data(), word.size());
        // One translation in 40% of the records, two in 30%, three in 20%, four in 10%.
        const unsigned roll = static_cast<unsigned>(random() % 10);
        const int wanted = roll < 4 ? 1 : roll < 7 ? 2 : roll < 9 ? 3 : 4;
        std::string meanings;
        for (int n = 0; n < wanted; ++n) {
            const std::string& item = translations[random() % translations.size()];
            const std::string joined = meanings.empty() ? item : meanings + ", " + item;
            if (joined.size() <= kMaxMeaningsLength)
                meanings = joined;
        }
        std::memcpy(record.meanings, meanings.data(), meanings.size());
        std::fwrite(&record, sizeof record, 1, file);
    }
    if (std::fclose(file) != 0) {
        std::perror(out);
        return 1;
    }
    std::printf("from_records=%ld\n", count);
    return 0;
}

// The reversal rules of the builder: items between commas, leading blanks
// passed over, translations of at most 30 and source words of at most 50
// characters.
int entries(const char* from, const char* textPath) {
    std::FILE* in = std::fopen(from, "rb");
    std::FILE* out = in ? std::fopen(textPath, "wb") : nullptr;
    if (!in || !out) {
        std::perror(in ? textPath : from);
        return 1;
    }
    long long reversed = 0;
    WordRecord record;
    while (std::fread(&record, sizeof record, 1, in) == 1) {
        std::string word(record.word, strnlen(record.word, sizeof record.word));
        std::string meanings(record.meanings, strnlen(record.meanings, sizeof record.meanings));
        std::size_t at = 0;
        while (at < meanings.size()) {
            std::size_t end = meanings.find(',', at);
            if (end == std::string::npos)
                end = meanings.size();
            if (end > at) {
                std::size_t start = at;
                while (start < end && meanings[start] == ' ')
                    ++start;
                if (end - start <= kMaxWordLength && word.size() <= kMaxMeaningsLength) {
                    std::fprintf(out, "%s\t%s\n", meanings.substr(start, end - start).c_str(), word.c_str());
                    ++reversed;
                }
            }
            at = end + 1;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0) {
        std::perror(textPath);
        return 1;
    }
    std::printf("reversed_records=%lld\n", reversed);
    return 0;
}

int build(const char* dir, const char* fromName, const char* toName, const char* collation) {
    std::error_code error;
    fs::current_path(dir, error);
    if (error) {
        std::fprintf(stderr, "%s: %s\n", dir, error.message().c_str());
        return 1;
    }
    if (collation && !selectCollation(collation))
        std::fprintf(stderr, "collation \"%s\" not available; folding comparison used\n", collation);

    LanguageEntry entry;
    entry.displayName = "Benchmark";
    entry.fromName = fromName;
    entry.toName = toName;
    const std::uintmax_t fromRecords = fs::file_size(fs::path("language") / fromName, error) / sizeof(WordRecord);

    const double processorStart = processorSeconds();
    const auto start = std::chrono::steady_clock::now();
    buildReverseList(entry);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double processor = processorSeconds() - processorStart;

    const std::uintmax_t toRecords = fs::file_size(fs::path("language") / toName, error) / sizeof(WordRecord);
    std::printf("from_records=%ju\n", fromRecords);
    std::printf("to_records=%ju\n", toRecords);
    std::printf("comparisons=%ld\n", static_cast<long>(comparisonCount));
    std::printf("collation_selected=%d\n", collationSelected() ? 1 : 0);
    std::printf("seconds=%.3f\n", seconds);
    std::printf("processor_seconds=%.3f\n", processor);
    std::printf("from_records_per_second=%.0f\n", seconds > 0 ? fromRecords / seconds : 0.0);
    std::printf("peak_memory_bytes=%llu\n", static_cast<unsigned long long>(peakMemoryBytes()));
    // Time from each bar stage or status line to the next one.
    const std::vector<BenchMark>& marks = benchMarks();
    for (std::size_t i = 0; i + 1 < marks.size(); ++i)
        std::printf("phase %-26s %.3f\n", ("\"" + marks[i].text + "\"").c_str(),
                    std::chrono::duration<double>(marks[i + 1].time - marks[i].time).count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string mode = argv[1];
    keepBenchMarks();
    if (mode == "generate" && (argc == 6 || argc == 7))
        return generate(argv[2], std::atol(argv[3]), argv[4], argv[5],
                        argc == 7 ? std::strtoull(argv[6], nullptr, 10) : 1);
    if (mode == "entries" && argc == 4)
        return entries(argv[2], argv[3]);
    if (mode == "build" && (argc == 5 || argc == 6)) {
        try {
            return build(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
        } catch (const EarlyEnd& end) {
            std::fprintf(stderr, "fatal: %s\n", end.message.c_str());
            return end.exitCode;
        }
    }
    return usage();
}

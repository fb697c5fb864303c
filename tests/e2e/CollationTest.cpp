// The collation of the word lists and of the settings file's language
// section, run in this process against orders that the tests state: the
// folding byte order while no locale is selected, the rules of the Italian
// case-insensitive string sort once "italian" is selected, and sort keys
// whose byte order is the comparison's order.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Harness.h"
#include "WordListSupport.h"
#include "core/Collation.h"

namespace {

// Windows-1252 bytes of a UTF-8 literal.
std::string ansi(const char* utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &wide[0], n);
    int m = WideCharToMultiByte(1252, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(1252, 0, wide.c_str(), -1, &out[0], m, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

// Real words, with the accents, apostrophes, hyphens and cases that the
// collation has to order.
std::vector<std::string> trickyWords() {
    static const char* const utf8[] = {
        "a", "A", "à", "À", "á", "abaco", "abbiamo", "ancora", "àncora", "andò", "anti", "anti-age", "antiage",
        "Antonio", "c'è", "ce", "cé", "città", "citta", "Città", "cittadino", "cittadina", "co-op", "coop",
        "cooperare", "così", "cosi", "dell'anno", "della", "dell", "dello", "e", "è", "é", "E", "È", "É", "ebbe",
        "era", "è stato", "i", "ì", "ìndice", "indice", "l'", "l'acqua", "la", "lacqua", "La Spezia", "nord",
        "Nord", "NORD", "nord-est", "nordest", "nord est", "o", "ò", "ó", "oasi", "o.k.", "ok", "perché",
        "perche", "perchè", "PERCHÉ", "perciò", "percio", "più", "piu", "può", "puo", "qual è", "qual'è",
        "quale", "sì", "si", "sí", "tè", "te", "té", "u", "ù", "ultimo", "ventitré", "ventitre", "zoo", "Zurigo",
        "1", "10", "3d", "'ndrangheta", "-ismo", "ismo", "Sant'Angelo", "santangelo", "dopo-cena", "dopocena",
    };
    std::vector<std::string> words;
    for (const char* w : utf8) words.push_back(ansi(w));
    return words;
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

// The folding byte order, written independently: A to Z folded, bytes unsigned.
int foldReference(const std::string& a, const std::string& b) {
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    for (size_t i = 0;; ++i) {
        int ca = i < a.size() ? fold(static_cast<unsigned char>(a[i])) : -1;
        int cb = i < b.size() ? fold(static_cast<unsigned char>(b[i])) : -1;
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca < 0) return 0;
    }
}

// Byte order of two keys, a shorter prefix first.
int keyOrder(const std::string& a, const std::string& b) {
    int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return sign(c);
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// Every pair (a, b) of the words on which order(a, b) differs from
// reference(a, b), described; at most a few of them. Pairs the reference
// leaves undecided are passed over.
template <class Order, class Reference>
std::string disagreements(const std::vector<std::string>& words, Order order, Reference reference,
                          const char* what) {
    std::string out;
    int count = 0;
    for (const std::string& a : words)
        for (const std::string& b : words) {
            int got = order(a, b), want = reference(a, b);
            if (got == want || want == wordlists::kUndecided) continue;
            if (++count <= 8)
                out += "\n  " + quoted(a) + " vs " + quoted(b) + ": expected " + std::to_string(want) + ", got " +
                       std::to_string(got) + " (" + what + ")";
        }
    if (count > 8) out += "\n  ... " + std::to_string(count) + " pairs in all";
    return out;
}

int collated(const std::string& a, const std::string& b) {
    return sign(collateCompare(a.c_str(), b.c_str()));
}

int keyed(const std::string& a, const std::string& b) {
    return keyOrder(collateSortKey(a.c_str()), collateSortKey(b.c_str()));
}

// Real words from the data folder (one Windows-1252 word a line), or none.
std::vector<std::string> dataWords() {
    std::string folder = wordlists::dataFolder();
    if (folder.empty()) return {};
    auto text = e2e::readFile(e2e::joinPath(folder, "italian.txt"));
    if (!text) return {};
    std::vector<std::string> words;
    for (const std::string& w : wordlists::lines(*text))
        if (!w.empty()) words.push_back(w);
    return words;
}

// Each test starts as the process does, with no collation selected, and
// leaves the process so.
class CollationInProcess : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        selectCollation(nullptr);
        std::setlocale(LC_COLLATE, "C");
    }
};

}  // namespace

// While no collation is selected the order is the bytes', only A to Z folded:
// accented letters after z, upper-case accented letters not folded, hyphens
// and apostrophes by their codes. The sort keys give the same order.
TEST_F(CollationInProcess, BeforeAnySelectionIsTheFoldingByteOrder) {
    EXPECT_EQ(collateCompare("Zebra", "zebra"), 0);
    EXPECT_LT(collateCompare("apple", "Zebra"), 0);
    EXPECT_GT(collateCompare(ansi("àncora").c_str(), "bravo"), 0) << "an accented letter sorts after z";
    EXPECT_NE(collateCompare(ansi("È").c_str(), ansi("è").c_str()), 0) << "only A to Z are folded";
    EXPECT_LT(collateCompare("co-op", "coop"), 0);

    auto words = trickyWords();
    EXPECT_EQ(disagreements(words, collated, foldReference, "collateCompare"), "");
    EXPECT_EQ(disagreements(words, keyed, foldReference, "sort keys"), "");
}

// Once "italian" is selected, collateCompare is the Italian string sort with
// case ignored and punctuation sorted as symbols: each pair of the table in
// its stated order, every pair of the tricky words as the rules decide it,
// and the sort keys order every pair the same way.
TEST_F(CollationInProcess, ItalianIsTheCaseInsensitiveStringSort) {
    ASSERT_TRUE(selectCollation("italian"));
    const struct {
        const char* a;
        const char* b;
        int order;
        const char* rule;
    } pairs[] = {
        {"Roma", "ROMA", 0, "case is ignored"},
        {"perché", "PERCHÉ", 0, "also for accented letters"},
        {"È", "è", 0, "also for a single accented letter"},
        {"àncora", "bravo", -1, "an accented a sorts with a, not after z"},
        {"ùltimo", "vaso", -1, "an accented u sorts with u"},
        {"perche", "perché", -1, "the plain letter before the accented one"},
        {"perché", "perchi", -1, "the accent counts only after the letters"},
        {"àncora", "andò", -1, "the letters decide before any accent"},
        {"città", "cittadina", -1, "a word before its continuations, accent or not"},
        {"co-op", "coop", -1, "a hyphen is a symbol, before the letters"},
        {"l'acqua", "la", -1, "an apostrophe is a symbol, before the letters"},
        {"nord est", "nordest", -1, "a blank is a symbol, before the letters"},
        {"o.k.", "ok", -1, "a full stop is a symbol"},
        {"3d", "a", -1, "digits before letters"},
        {"-ismo", "1", -1, "symbols before digits"},
        {"10", "3d", -1, "digits by their characters, not their value"},
    };
    for (const auto& p : pairs) {
        EXPECT_EQ(collated(ansi(p.a), ansi(p.b)), p.order) << p.a << " vs " << p.b << ": " << p.rule;
        EXPECT_EQ(collated(ansi(p.b), ansi(p.a)), -p.order) << p.b << " vs " << p.a << ": " << p.rule;
        EXPECT_EQ(wordlists::italianOrder(ansi(p.a), ansi(p.b)), p.order) << "the test's own rules: " << p.rule;
    }

    auto words = trickyWords();
    EXPECT_EQ(disagreements(words, collated, wordlists::italianOrder, "collateCompare vs the rules"), "");
    EXPECT_EQ(disagreements(words, keyed, collated, "sort keys vs collateCompare"), "");

    // A name the C library does not know changes nothing.
    EXPECT_FALSE(selectCollation("no-such-locale"));
    EXPECT_LT(collateCompare(ansi("àncora").c_str(), "bravo"), 0) << "the Italian collation should stay selected";
}

// The same agreement on many pairs of real Italian words (the word list that
// scripts/e2e puts into the data folder), sorted by the test's own rules:
// the neighbours in that order, where the close calls are, and random pairs;
// the pairs the rules leave undecided are passed over, and they are few.
TEST_F(CollationInProcess, RealWordsSortAsTheRulesSortThem) {
    std::vector<std::string> words = dataWords();
    if (words.empty()) GTEST_SKIP() << "no real word list: set E2E_DATA to the folder scripts/e2e prepares";
    ASSERT_TRUE(selectCollation("italian"));

    std::sort(words.begin(), words.end(), wordlists::italianBefore);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < words.size(); ++i) pairs.emplace_back(words[i], words[i + 1]);
    std::mt19937 random(20240601);
    std::uniform_int_distribution<size_t> pick(0, words.size() - 1);
    for (int i = 0; i < 50000; ++i) pairs.emplace_back(words[pick(random)], words[pick(random)]);

    int wrongCompare = 0, wrongKey = 0, undecided = 0;
    std::string first;
    for (const auto& [a, b] : pairs) {
        int want = wordlists::italianOrder(a, b);
        if (want == wordlists::kUndecided) {
            ++undecided;
            continue;
        }
        int got = collated(a, b), key = keyed(a, b);
        wrongCompare += got != want;
        wrongKey += key != want;
        if ((got != want || key != want) && first.empty())
            first = quoted(a) + " vs " + quoted(b) + ": the rules " + std::to_string(want) + ", collateCompare " +
                    std::to_string(got) + ", sort keys " + std::to_string(key);
    }
    EXPECT_LT(undecided, static_cast<int>(pairs.size() / 100)) << "pairs the rules leave undecided";
    EXPECT_EQ(wrongCompare, 0) << "pairs on which collateCompare differs, of " << pairs.size() << "; first " << first;
    EXPECT_EQ(wrongKey, 0) << "pairs on which the sort keys differ, of " << pairs.size() << "; first " << first;
}

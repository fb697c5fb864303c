// Word lists built from real dictionaries (the FROM wordlists that
// scripts/e2e makes from the installed dictd dictionaries): every TO
// wordlist must hold exactly the merged reverse records that an independent
// reading of its FROM wordlist gives, in the order of the system's Italian
// comparison.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Harness.h"
#include "WordListSupport.h"

using namespace e2e;
using wordlists::Record;

namespace {

// The reverse list of FROM records, as a map from word to meanings: every
// translation (split at commas, runs of commas being one separator, leading
// blanks dropped) becomes a word whose meanings is the source word; a
// translation longer than 30 or a source word longer than 50 characters
// gives nothing; byte-equal words merge, their meanings joined with ", " in
// the order of the FROM file as long as the result stays within 50.
std::map<std::string, std::string> reverseModel(const std::vector<Record>& from) {
    std::map<std::string, std::string> merged;
    for (const Record& r : from) {
        size_t start = 0;
        while (start <= r.meanings.size()) {
            size_t end = r.meanings.find(',', start);
            if (end == std::string::npos) end = r.meanings.size();
            std::string item = r.meanings.substr(start, end - start);
            start = end + 1;
            if (item.empty()) continue;
            item.erase(0, item.find_first_not_of(' ') == std::string::npos ? item.size() : item.find_first_not_of(' '));
            if (r.word.size() > 50 || item.size() > 30) continue;
            auto it = merged.find(item);
            if (it == merged.end())
                merged.emplace(item, r.word);
            else if (it->second.size() + 2 + r.word.size() <= 50)
                it->second += ", " + r.word;
        }
    }
    return merged;
}

// What differs between the TO records and the model, described (at most a
// few of each kind); empty when they hold the same records.
std::string compareWithModel(const std::vector<Record>& to, const std::map<std::string, std::string>& model) {
    std::string out;
    int missing = 0, extra = 0, different = 0, doubled = 0;
    std::map<std::string, std::string> seen;
    for (const Record& r : to) {
        if (!seen.emplace(r.word, r.meanings).second) {
            if (++doubled <= 3) out += "\n  word \"" + r.word + "\" written twice";
            continue;
        }
        auto it = model.find(r.word);
        if (it == model.end()) {
            if (++extra <= 3) out += "\n  unexpected record " + wordlists::toString(r);
        } else if (it->second != r.meanings) {
            if (++different <= 3)
                out += "\n  \"" + r.word + "\": expected meanings \"" + it->second + "\", got \"" + r.meanings + "\"";
        }
    }
    for (const auto& [word, meanings] : model)
        if (!seen.count(word) && ++missing <= 3) out += "\n  missing record " + wordlists::toString({word, meanings});
    if (!out.empty())
        out += "\n  (" + std::to_string(missing) + " missing, " + std::to_string(extra) + " unexpected, " +
               std::to_string(different) + " with other meanings, " + std::to_string(doubled) + " doubled)";
    return out;
}

// Neighbours out of order: the Italian rules put the later one first, or
// they are equal under them and not in byte order. Neighbours the rules
// leave undecided are passed over.
std::string orderFaults(const std::vector<Record>& to) {
    std::string out;
    int faults = 0;
    for (size_t i = 0; i + 1 < to.size(); ++i) {
        const std::string& a = to[i].word;
        const std::string& b = to[i + 1].word;
        int c = wordlists::italianOrder(a, b);
        bool wrong = c == 1 || (c == 0 && std::strcmp(a.c_str(), b.c_str()) >= 0);
        if (wrong && ++faults <= 5)
            out += "\n  record " + std::to_string(i) + " \"" + a + "\" before \"" + b + "\" (the rules say " +
                   std::to_string(c) + ")";
    }
    if (faults > 5) out += "\n  ... " + std::to_string(faults) + " in all";
    return out;
}

struct RealList {
    const char* fromName;  // the file in the data folder
    const char* toName;
    const char* line;      // the language line
};

}  // namespace

// The dictionaries' FROM wordlists go through a whole installation; each TO
// wordlist is checked record by record against the model and for its order.
TEST(RealDictionary, ToWordlistsHoldTheMergedReverseRecordsInCollatedOrder) {
    const std::string data = wordlists::dataFolder();
    if (data.empty()) GTEST_SKIP() << "no real data: set E2E_DATA to the folder scripts/e2e prepares";
    const RealList all[] = {
        {"ita-eng.wb", "eng.wb", "en,ita-eng,1,Inglese"},
        {"eng-ita.wb", "ita.wb", "it,eng-ita,2,Italiano"},
    };
    std::vector<RealList> lists;
    std::vector<std::pair<std::string, std::string>> files;
    std::string languageList = "# Real dictionaries\r\n";
    for (const RealList& l : all) {
        auto bytes = readFile(joinPath(data, l.fromName));
        if (!bytes) continue;
        lists.push_back(l);
        files.emplace_back(l.fromName, *bytes);
        languageList += std::string(l.line) + "\r\n" + l.fromName + "\r\n" + l.toName + "\r\n";
    }
    if (lists.empty() || std::string(lists[0].fromName) != "ita-eng.wb")
        GTEST_SKIP() << "no ita-eng.wb in " << data << " (scripts/e2e makes it from dict-freedict-ita-eng)";
    files.emplace_back("language.cf", languageList);

    Workspace work;
    const std::string target = work.path("target");
    Installer app(work.makeSource(
        "title Real dictionaries\nmkdir language\nxcopy *.wb language\ncopy language.cf language.cf\nmkwlist\n", files));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));
    app.click(kStartButton);
    for (size_t k = 0; k < lists.size(); ++k) {
        auto box = app.waitForMessageBox("Install", Millis(60000));
        ASSERT_TRUE(box) << "no closing message for " << lists[k].fromName;
        ASSERT_TRUE(app.answer(*box));
    }
    EXPECT_EQ(app.waitForExit(Millis(30000)), 0u);

    for (size_t k = 0; k < lists.size(); ++k) {
        const RealList& l = lists[k];
        SCOPED_TRACE(std::string(l.fromName) + " -> " + l.toName);
        const std::vector<Record> from = wordlists::readFromRecords(files[k].second);
        auto bytes = readFile(joinPath(target, std::string("language\\") + l.toName));
        ASSERT_TRUE(bytes) << l.toName << " was not written";
        wordlists::ParsedList to = wordlists::parseWordList(*bytes);
        EXPECT_EQ(to.problems.substr(0, 600), "");
        const auto model = reverseModel(from);
        EXPECT_EQ(compareWithModel(to.records, model), "");
        EXPECT_EQ(orderFaults(to.records), "");
        EXPECT_EQ(readFile(joinPath(target, std::string("language\\") + l.fromName)), files[k].second)
            << "the FROM wordlist changed";
        std::printf("  %s: %zu FROM records, %zu TO records\n", l.fromName, from.size(), to.records.size());
    }
    auto ini = readFile(joinPath(target, "kelmo.ini"));
    ASSERT_TRUE(ini);
    std::vector<std::string> entries;
    for (const RealList& l : lists) entries.push_back(l.line);
    EXPECT_EQ(wordlists::languageEntries(*ini), entries);
}

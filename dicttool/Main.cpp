// dicttool: the command line of the publishers' tool. Exit status 0 when
// all is well, 1 when problems were found or the command failed, 2 when it
// was called wrongly.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <map>
#include <new>
#include <string>

#include "dicttool/Check.h"
#include "dicttool/Encoding.h"
#include "dicttool/Platform.h"
#include "dicttool/FolderTree.h"
#include "dicttool/Report.h"
#include "dicttool/ToolFiles.h"
#include "dicttool/WordListTools.h"

namespace {

constexpr int kClean = 0, kProblems = 1, kUsage = 2;

constexpr char kCollationNote[] =
#ifdef _WIN32
    "the system's Italian comparison, as the installer sorts";
#else
    "the folding comparison (letters A to Z folded, bytes compared unsigned): the installer on Windows "
    "sorts by the system's Italian comparison, so words with accents or punctuation may stand elsewhere there";
#endif

int runCheck(const CheckOptions& options, bool asJson) {
    const ScriptReport report = checkScript(options);
    if (asJson)
        printScriptJson(report, stdout);
    else
        printScriptReport(report, stdout);
    return report.problems.empty() ? kClean : kProblems;
}

int runCheckLanguages(const std::string& listPath, const std::string& folder, const std::string& target,
                      bool asJson) {
    const std::string bytes = readWholeFile(listPath);
    FilePtr list = windowsTextStream(listPath, bytes);
    if (pathKind(folder) != PathKind::Folder)
        throw ToolError("no folder " + folder);
    FolderTree tree(folder);
    LanguageListInput input{listPath, targetWithSlash(target), [&tree](const std::string& name) {
                                std::string normal;
                                return normalRelativePath(name, normal) && tree.kind(normal) == PathKind::File
                                           ? tree.nativePath(normal)
                                           : std::string();
                            }};
    std::vector<LanguageBlock> blocks;
    std::vector<Problem> problems;
    checkLanguageList(list.get(), input, blocks, problems);
    if (asJson)
        printLanguageJson(blocks, problems, stdout);
    else
        printLanguageReport(blocks, problems, stdout);
    return problems.empty() ? kClean : kProblems;
}

int runReverse(const std::string& from, const std::string& to) {
    const ReverseResult result = reverseWordList(from, to);
    std::printf("%s: %ld records from the %ld of %s, sorted by %s\n", to.c_str(), result.toRecords,
                result.fromRecords, from.c_str(), result.italian ? "the system's Italian comparison" : kCollationNote);
    return kClean;
}

constexpr char kExamples[] = R"(
Examples:
  dicttool check examples                  check the sample distribution folder
  dicttool check --json --target "d:\dictionary" cdrom > plan.json
  dicttool check-languages examples/language.cf examples/language
  dicttool dump language/itaeng.wb > itaeng.txt
  dicttool pack itaeng.txt language/itaeng.wb
  dicttool reverse language/itaeng.wb engrev.wb

Exit status: 0 when all is well, 1 when problems were found or the command
failed, 2 when the command line is wrong.)";

// A console shows the UTF-8 output as text while the tool runs.
class Utf8Console {
public:
    Utf8Console() : saved_(useUtf8Console()) {}
    ~Utf8Console() { restoreConsole(saved_); }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned saved_;
};

}  // namespace

int main(int argc, char** argv) {
    const Utf8Console console;
    CLI::App app{"Checks a dictionary's distribution folder and makes its word-list files.", "dicttool"};
    app.footer(kExamples);
    app.require_subcommand(1);
    std::function<int()> run;

    bool asJson = false;
    CheckOptions check;
    CLI::App* checkCommand = app.add_subcommand("check", "Check a distribution folder: install.inf line by line, "
                                                         "the plan of the installation and its problems.");
    checkCommand->add_flag("--json", asJson, "print one JSON object (lines, plan, problems) and nothing else");
    checkCommand->add_option("--target", check.target,
                             "the target directory, for path lengths and what it holds already "
                             "(default: the script's dir, else c:\\)");
    checkCommand->add_option("SOURCE_DIR", check.source, "the distribution folder, holding install.inf")->required();
    checkCommand->footer("\nExample:\n  dicttool check --target \"c:\\dictionary\" examples");
    checkCommand->callback([&] { run = [&] { return runCheck(check, asJson); }; });

    std::string listPath, folder, target = "c:\\";
    CLI::App* languages = app.add_subcommand(
        "check-languages", "Check a language list: its blocks as the installer splits them, and the FROM wordlists.");
    languages->add_flag("--json", asJson, "print one JSON object (blocks, problems) and nothing else");
    languages->add_option("--target", target, "the target directory, for path lengths (default: c:\\)");
    languages->add_option("LANGUAGE_CF", listPath, "the language list")->required();
    languages->add_option("WORDLIST_DIR", folder, "the folder holding the FROM wordlists")->required();
    languages->footer("\nExample:\n  dicttool check-languages examples/language.cf examples/language");
    languages->callback([&] { run = [&] { return runCheckLanguages(listPath, folder, target, asJson); }; });

    std::string wordList;
    CLI::App* dump = app.add_subcommand("dump", "Show a word-list file: one record a line, headword TAB "
                                                "translations, Windows-1252 shown as UTF-8.");
    dump->add_option("FILE", wordList, "the word-list file (.wb)")->required();
    dump->footer("\nExample:\n  dicttool dump language/itaeng.wb > itaeng.txt");
    dump->callback([&] { run = [&] { return dumpWordList(wordList, stdout) == 0 ? kClean : kProblems; }; });

    std::string text, output;
    TextEncoding encoding = TextEncoding::Utf8;
    CLI::App* pack = app.add_subcommand("pack", "Make a word-list file from text: one record a line, headword TAB "
                                                "translations (at most 30 and 50 characters).");
    pack->add_option("--encoding", encoding, "the text's encoding: utf-8 (default) or windows-1252")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, TextEncoding>{{"utf-8", TextEncoding::Utf8}, {"windows-1252", TextEncoding::Windows1252}},
            CLI::ignore_case));
    pack->add_option("TEXT", text, "the text file")->required();
    pack->add_option("OUT", output, "the word-list file to write")->required();
    pack->footer("\nExample:\n  dicttool pack --encoding windows-1252 itaeng.txt language/itaeng.wb");
    pack->callback([&] {
        run = [&] {
            std::printf("%s: %ld records\n", output.c_str(), packWordList(text, encoding, output));
            return kClean;
        };
    });

    std::string from, to;
    CLI::App* reverse = app.add_subcommand("reverse", "Build the reverse list of a FROM wordlist exactly as the "
                                                      "installer builds its TO wordlist.");
    reverse->add_option("FROM", from, "the FROM wordlist")->required();
    reverse->add_option("TO", to, "the TO wordlist to write")->required();
    reverse->footer(std::string("\nSorted by ") + kCollationNote +
                    ".\n\nExample:\n  dicttool reverse language/itaeng.wb language/engrev.wb");
    reverse->callback([&] { run = [&] { return runReverse(from, to); }; });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kClean : kUsage;
    }
    try {
        return run();
    } catch (const ToolError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "dicttool: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "dicttool: out of memory\n");
    }
    return kProblems;
}

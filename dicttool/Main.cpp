// dicttool: the command line of the publishers' tool. Exit status 0 when
// all is well, 1 when problems were found or the command failed, 2 when it
// was called wrongly.
#include <algorithm>
#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <new>
#include <string>

#include "core/Collation.h"
#include "dicttool/Bundle.h"
#include "dicttool/Check.h"
#include "dicttool/Encoding.h"
#include "dicttool/FolderTree.h"
#include "dicttool/Manifest.h"
#include "dicttool/Platform.h"
#include "dicttool/Report.h"
#include "dicttool/ToolFiles.h"
#include "dicttool/WordListTools.h"
#include "run/EarlyEnd.h"

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
                      unsigned codePage, bool asJson) {
    const DecodedText list = decodeTextFile(readWholeFile(listPath), 0, codePage, true);
    if (pathKind(folder) != PathKind::Folder)
        throw ToolError("no folder " + folder);
    FolderTree tree(folder);
    LanguageListInput input{listPath, withBackslash(target), [&tree](const std::string& name) {
                                std::string normal;
                                return normalRelativePath(name, normal) && tree.kind(normal) == PathKind::File
                                           ? tree.nativePath(normal)
                                           : std::string();
                            }};
    std::vector<LanguageBlock> blocks;
    std::vector<Problem> problems;
    checkLanguageList(list, input, blocks, problems);
    const FileEncoding encoding = fileEncoding(listPath, list, 0);
    if (asJson)
        printLanguageJson(encoding, blocks, problems, stdout);
    else
        printLanguageReport(encoding, blocks, problems, stdout);
    return problems.empty() ? kClean : kProblems;
}

int runReverse(const std::string& from, const std::string& to) {
    const ReverseResult result = reverseWordList(from, to);
    std::printf("%s: %ld records from the %ld of %s, sorted by %s\n", to.c_str(), result.toRecords,
                result.fromRecords, from.c_str(), result.italian ? "the system's Italian comparison" : kCollationNote);
    return kClean;
}

int runPack(const std::string& text, const std::string& encoding, const std::string& output) {
    const TextEncoding from = foldEquals(encoding.c_str(), "utf-8") ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    std::printf("%s: %ld records\n", output.c_str(), packWordList(text, from, output));
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
  dicttool bundle cdrom -o setup.exe --sign   one signed setup file for download
  dicttool contents setup.exe
  dicttool manifest setup.exe --id Publisher.Dictionary --license MIT ...

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

// The values the command line gives, and the command it chose.
struct CommandLine {
    bool asJson = false;
    CheckOptions check;
    std::string listPath, folder, target = "c:\\";
    std::string wordList, text, output, from, to;
    std::string encoding = "utf-8";
    BundleOptions bundle;
    std::string extractTo;
    ManifestOptions manifest;
    std::function<int()> run;
};

// --encoding of check and check-languages: the ANSI code page of the
// system the installer will run on, for the text files that start without
// a byte order mark and that no codepage line names a code page for.
void addCodePage(CLI::App* command, unsigned& codePage) {
    command
        ->add_option_function<std::string>(
            "--encoding",
            [&codePage](const std::string& text) {
                if (!parseEncoding(text, codePage))
                    throw CLI::ValidationError("--encoding", "no code page this system converts: " + text);
            },
            "the installer's ANSI code page for the text files: a number (1252, cp1251, windows-1250) or "
            "utf-8 (default: this system's; a byte order mark or a codepage line in install.inf comes first)")
        ->type_name("CODEPAGE");
}

void addCheck(CLI::App& app, CommandLine& c) {
    CLI::App* command = app.add_subcommand("check", "Check a distribution folder: install.inf line by line, "
                                                    "the plan of the installation and its problems.");
    command->add_flag("--json", c.asJson, "print one JSON object (lines, plan, problems) and nothing else");
    command->add_option("--target", c.check.target,
                        "the target directory, for path lengths and what it holds already "
                        "(default: the script's dir, else c:\\)");
    addCodePage(command, c.check.codePage);
    command->add_option("SOURCE_DIR", c.check.source, "the distribution folder, holding install.inf")->required();
    command->footer("\nExample:\n  dicttool check --target \"c:\\dictionary\" examples");
    command->callback([&c] { c.run = [&c] { return runCheck(c.check, c.asJson); }; });
}

void addCheckLanguages(CLI::App& app, CommandLine& c) {
    CLI::App* command = app.add_subcommand(
        "check-languages", "Check a language list: its blocks as the installer splits them, and the FROM wordlists.");
    command->add_flag("--json", c.asJson, "print one JSON object (blocks, problems) and nothing else");
    command->add_option("--target", c.target, "the target directory, for path lengths (default: c:\\)");
    addCodePage(command, c.check.codePage);
    command->add_option("LANGUAGE_CF", c.listPath, "the language list")->required();
    command->add_option("WORDLIST_DIR", c.folder, "the folder holding the FROM wordlists")->required();
    command->footer("\nExample:\n  dicttool check-languages examples/language.cf examples/language");
    command->callback([&c] {
        c.run = [&c] { return runCheckLanguages(c.listPath, c.folder, c.target, c.check.codePage, c.asJson); };
    });
}

void addWordListCommands(CLI::App& app, CommandLine& c) {
    CLI::App* dump = app.add_subcommand("dump", "Show a word-list file: one record a line, headword TAB "
                                                "translations, Windows-1252 shown as UTF-8.");
    dump->add_option("FILE", c.wordList, "the word-list file (.wb)")->required();
    dump->footer("\nExample:\n  dicttool dump language/itaeng.wb > itaeng.txt");
    dump->callback([&c] { c.run = [&c] { return dumpWordList(c.wordList, stdout) == 0 ? kClean : kProblems; }; });

    CLI::App* pack = app.add_subcommand("pack", "Make a word-list file from text: one record a line, headword TAB "
                                                "translations (at most 30 and 50 characters).");
    pack->add_option("--encoding", c.encoding, "the text's encoding (default: utf-8)")
        ->check(CLI::IsMember({"utf-8", "windows-1252"}, CLI::ignore_case));
    pack->add_option("TEXT", c.text, "the text file")->required();
    pack->add_option("OUT", c.output, "the word-list file to write")->required();
    pack->footer("\nExample:\n  dicttool pack --encoding windows-1252 itaeng.txt language/itaeng.wb");
    pack->callback([&c] { c.run = [&c] { return runPack(c.text, c.encoding, c.output); }; });

    CLI::App* reverse = app.add_subcommand("reverse", "Build the reverse list of a FROM wordlist exactly as the "
                                                      "installer builds its TO wordlist.");
    reverse->add_option("FROM", c.from, "the FROM wordlist")->required();
    reverse->add_option("TO", c.to, "the TO wordlist to write")->required();
    reverse->footer(std::string("\nSorted by ") + kCollationNote +
                    ".\n\nExample:\n  dicttool reverse language/itaeng.wb language/engrev.wb");
    reverse->callback([&c] { c.run = [&c] { return runReverse(c.from, c.to); }; });
}

void addBundleCommands(CLI::App& app, CommandLine& c) {
    CLI::App* bundle = app.add_subcommand(
        "bundle", "Check a distribution folder and write one setup file: the installer followed by the folder.");
    bundle->add_option("SOURCE_DIR", c.bundle.folder, "the distribution folder, holding install.inf")->required();
    bundle->add_option("-o,--output", c.bundle.output, "the setup file to write")->required();
    bundle->add_option("--installer", c.bundle.installer,
                       "the install.exe to put first (default: the 32-bit one dicttool carries)");
    bundle->add_flag("--force", c.bundle.force, "write it even when the check finds problems");
    bundle->add_flag("--sign", c.bundle.sign,
                     "sign it with scripts/sign (or the program DICTTOOL_SIGN names) before it is put in place");
    bundle->footer("\nExample:\n  SIGN_CERT=cert.pem SIGN_KEY=key.pem dicttool bundle cdrom -o setup.exe --sign");
    bundle->callback([&c] { c.run = [&c] { return bundleMedium(c.bundle); }; });

    CLI::App* contents = app.add_subcommand("contents", "List what a setup file carries, after checking its SHA-256.");
    contents->add_option("SETUP", c.from, "the setup file")->required();
    contents->add_option("--extract", c.extractTo, "a new folder to extract the files into");
    contents->footer("\nExample:\n  dicttool contents setup.exe --extract unpacked");
    contents->callback([&c] { c.run = [&c] { return showContents(c.from, c.extractTo); }; });
}

void addManifest(CLI::App& app, CommandLine& c) {
    CLI::App* manifest = app.add_subcommand(
        "manifest", "Write the winget manifest of a setup file: <ID>.yaml, <ID>.installer.yaml and "
                    "<ID>.locale.en-US.yaml.");
    ManifestOptions& m = c.manifest;
    manifest->add_option("SETUP", m.setup, "the setup file")->required();
    manifest->add_option("--id", m.id, "the package identifier, Publisher.Name")->required();
    manifest->add_option("--version", m.version, "the package version (default: install.inf's version line)");
    manifest->add_option("--publisher", m.publisher, "the publisher (default: install.inf's publisher line)");
    manifest->add_option("--name", m.name, "the package name (default: install.inf's title)");
    manifest->add_option("--license", m.license, "the license, as winget shows it");
    manifest->add_option("--short-description", m.shortDescription, "one line on what the package is");
    manifest->add_option("--installer-url", m.installerUrl, "where the setup file is downloaded from (https)");
    manifest->add_flag("--partial-is-success", m.partialIsSuccess,
                       "count exit code 2 (steps passed over) as success, not as a failure");
    manifest->add_option("-o,--output-dir", m.folder, "the folder for the three files (default: .)");
    manifest->footer("\nCheck the files with winget validate before you submit them.\n\nExample:\n"
                     "  dicttool manifest setup.exe --id Sample.Dictionary --license Proprietary \\\n"
                     "    --short-description \"An Italian-English dictionary\" \\\n"
                     "    --installer-url https://example.org/setup.exe -o manifest");
#ifdef DICTTOOL_MANIFEST
    manifest->callback([&c] { c.run = [&c] { return writeManifest(c.manifest); }; });
#else
    manifest->callback([&c] {
        c.run = [] {
            throw ToolError("this dicttool was built without yaml-cpp and writes no manifest: "
                            "use the Linux build (build/host/dicttool)");
            return kProblems;
        };
    });
#endif
}

// The chosen command; a failure is told on standard error.
int runCommand(const std::function<int()>& run) {
    try {
        return run();
    } catch (const ToolError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "dicttool: %s\n", e.what());
    } catch (const EarlyEnd& e) {  // the installer core's fatal error
        std::fflush(stdout);
        std::fprintf(stderr, "dicttool: %s\n", e.message.c_str());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "dicttool: out of memory\n");
    }
    return kProblems;
}

}  // namespace

int main(int argc, char** argv) {
    const Utf8Console console;
    showProgressOnTerminal();
    CLI::App app{"Checks a dictionary's distribution folder, makes its word-list files and one setup file.",
                 "dicttool"};
    app.footer(kExamples);
    app.require_subcommand(1);
    CommandLine commandLine;
    addCheck(app, commandLine);
    addCheckLanguages(app, commandLine);
    addWordListCommands(app, commandLine);
    addBundleCommands(app, commandLine);
    addManifest(app, commandLine);
    // CLI11 takes the arguments without the program's name, last first.
    std::vector<std::string> arguments = commandArguments(argc, argv);
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    std::reverse(arguments.begin(), arguments.end());
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kClean : kUsage;
    }
    return runCommand(commandLine.run);
}

// The command lines of the installer and the uninstaller: split as Windows
// splits them, options in either spelling, and every wrong one named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CommandLine.h"
#include "run/InstallOptions.h"
#include "uninstall/UninstallOptions.h"

TEST(CommandLine, SplitsAsWindowsProgramsDo) {
    const struct {
        const char* text;
        std::vector<std::string> arguments;
    } cases[] = {
        {"", {}},
        {"  /SILENT\t-dir=x  ", {"/SILENT", "-dir=x"}},
        {"/DIR=\"C:\\Program Files\\Dizionario\" /LOG", {"/DIR=C:\\Program Files\\Dizionario", "/LOG"}},
        {"\"/DIR=C:\\Łukasz 测试\"", {"/DIR=C:\\Łukasz 测试"}},
        {"\"/DIR=C:\\x\\\"", {"/DIR=C:\\x\""}},  // a backslash before the quote escapes it
        {"a\\\\\\\"b c\\\\\"d e\"", {"a\\\"b", "c\\d e"}},
        {"\"\"", {""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitCommandLine(c.text), c.arguments) << c.text;
}

TEST(CommandLine, InstallerOptionsInEitherSpellingAndEveryWrongOneNamed) {
    InstallOptions all = parseInstallOptions(splitCommandLine(
        "-verysilent /Silent /SUPPRESSMSGBOXES /norestart \"/DIR=C:\\Ærø 测试\" /LOG=\"C:\\a b.log\" "
        "/AllowDowngrade -closeapplications"));
    EXPECT_EQ(all.error, "");
    EXPECT_TRUE(all.verySilent && all.silent && all.quiet() && all.hasDir && all.log && !all.help);
    EXPECT_TRUE(all.allowDowngrade && all.closeApplications);
    EXPECT_EQ(all.dir, "C:\\Ærø 测试");
    EXPECT_EQ(all.logPath, "C:\\a b.log");
    EXPECT_TRUE(parseInstallOptions({"/LOG"}).log);
    EXPECT_TRUE(parseInstallOptions({"-?"}).help);

    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } wrong[] = {
        {{"/BOGUS"}, "\"/BOGUS\": unknown option"},
        {{"SILENT"}, "\"SILENT\": not an option (options start with / or -)"},
        {{"/DIR"}, "\"/DIR\": the option needs a value after \"=\""},
        {{"/DIR="}, "\"/DIR=\": the value is empty"},
        {{"/SILENT=yes"}, "\"/SILENT=yes\": this option takes no value"},
        {{"/silent", "/SILENT"}, "\"/SILENT\": the option is given twice"},
        {{"/DIR=a", "/dir=b"}, "\"/dir=b\": the option is given twice"},
    };
    for (const auto& c : wrong) {
        const InstallOptions options = parseInstallOptions(c.arguments);
        EXPECT_EQ(options.error, c.error) << c.arguments[0];
    }
    EXPECT_TRUE(parseInstallOptions({"/BOGUS", "/VERYSILENT"}).quiet()) << "a silent run logs its wrong option";
}

TEST(CommandLine, UninstallerOptionsAndTheCopysContinuation) {
    const UninstallOptions silent = parseUninstallOptions({"/s", "/LOG=x.log"});
    EXPECT_TRUE(silent.silent && silent.log && !silent.isContinuation && silent.error.empty());
    const UninstallOptions copy = parseUninstallOptions({"/continue", "12,34", "C:\\F", "/S", "/CloseApplications"});
    EXPECT_TRUE(copy.isContinuation && copy.silent && copy.closeApplications);
    EXPECT_EQ(copy.handles, "12,34");
    EXPECT_EQ(copy.folder, "C:\\F");
    EXPECT_EQ(parseUninstallOptions({"/quiet"}).error, "\"/quiet\": unknown option");
}

// One setup file from a folder, as a publisher makes it: refused while the
// folder has problems unless forced, carrying the folder whole, and described
// by a winget manifest whose fields read back as the installer needs them.
#include <gtest/gtest.h>

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>

#include "tests/dicttool/ToolRun.h"
#include "tests/support/FakeProgram.h"
#include "tests/support/ScratchDirTest.h"

namespace fs = std::filesystem;

namespace {

// The files under folder, each as "path=bytes" (folders as "path/").
std::string treeOf(const fs::path& folder) {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string path = fs::relative(entry.path(), folder).string();
        entries.push_back(entry.is_directory() ? path + "/" : path + "=" + readFile(entry.path().c_str()));
    }
    std::sort(entries.begin(), entries.end());
    std::string tree;
    for (const std::string& entry : entries)
        tree += entry + "\n";
    return tree;
}

// What coreutils says the file's SHA-256 is, in upper case.
std::string sha256sum(const std::string& file) {
    EXPECT_EQ(std::system(("sha256sum " + file + " >sum.txt").c_str()), 0);
    std::string sum = readFile("sum.txt").substr(0, 64);
    std::transform(sum.begin(), sum.end(), sum.begin(), [](unsigned char c) { return std::toupper(c); });
    return sum;
}

using BundleTest = ScratchDirTest;

}  // namespace

TEST_F(BundleTest, AFolderWithProblemsIsRefusedUnlessForcedAndTheFileCarriesItWhole) {
    writeFile("install.exe", fakeProgram(false));
    write("cd/install.inf", "title Bundled\nversion 2.1\npublisher Sample Press\ncopy gone.txt gone.txt\n");
    write("cd/language/caff\xC3\xA8.wb", std::string(84 * 3, 'r'));
    write("cd/sounds/deep/a.wav", "RIFF");
    fs::create_directories("cd/empty");

    ToolRun run = dicttool("bundle cd -o setup.exe --installer install.exe");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("  install.inf:4: missing-source: "), std::string::npos) << "as check prints it:\n"
                                                                                     << run.out;
    EXPECT_NE(run.err.find("no setup file written (--force"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists("setup.exe"));

    // Into the folder it carries, however the path is spelt; beside it, too.
    fs::create_directories("other");
    for (const char* inside : {"cd/setup.exe", "other/../cd/setup.exe", "cd/./empty/../setup.exe"}) {
        run = dicttool(std::string("bundle cd -o ") + inside + " --installer install.exe --force");
        EXPECT_NE(run.err.find("into the folder it carries"), std::string::npos) << inside << ": " << run.err;
        EXPECT_EQ(run.out.find("Bundled anyway"), std::string::npos) << "refused before anything is said";
    }
    EXPECT_FALSE(fs::exists("cd/setup.exe"));
    run = dicttool("bundle cd -o cd/../beside.exe --installer install.exe --force");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists("beside.exe"));

    // A link anywhere in the medium is refused, forced or not.
    fs::create_symlink("../install.exe", "cd/sounds/linked.exe");
    run = dicttool("bundle cd -o linked.exe --installer install.exe --force");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("sounds/linked.exe:0: link-in-medium"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists("linked.exe"));
    fs::remove("cd/sounds/linked.exe");
    run = dicttool("bundle cd -o setup.exe --installer cd/install.inf --force");
    EXPECT_NE(run.err.find("is not a Windows program"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists("setup.exe"));

    run = dicttool("bundle cd -o setup.exe --installer install.exe --force");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Bundled anyway (--force)"), std::string::npos);
    EXPECT_EQ(readFile("setup.exe").compare(0, 0x400, fakeProgram(false)), 0) << "the installer comes first";
    run = dicttool("contents setup.exe --extract unpacked");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("unsigned; its SHA-256 holds"), std::string::npos) << run.out;
    EXPECT_EQ(treeOf("unpacked"), treeOf("cd"));
    EXPECT_EQ(dicttool("contents install.exe").status, 1) << "a plain installer carries nothing";
}

TEST_F(BundleTest, TheManifestSaysWhatTheInstallerTakesAndReadsBackWithTheYamlLibrary) {
    writeFile("install.exe", fakeProgram(false));
    write("cd/install.inf", "title Dizionario d'\xE8sempio\nVersion 2.1\npublisher Sample Press\n");
    ASSERT_EQ(dicttool("bundle cd -o setup.exe --installer install.exe").status, 0);

    const ToolRun missing = dicttool("manifest setup.exe --id Sample.Dictionary");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("needs --license, --short-description, --installer-url"), std::string::npos)
        << missing.err;
    ASSERT_EQ(dicttool("manifest setup.exe --id Sample.Dictionary --license Proprietary --short-description "
                       "'A dictionary: Italian' --installer-url https://example.org/setup.exe -o m")
                  .status,
              0);

    const YAML::Node version = YAML::LoadFile("m/Sample.Dictionary.yaml");
    EXPECT_EQ(version["PackageVersion"].as<std::string>(), "2.1");
    EXPECT_EQ(version["DefaultLocale"].as<std::string>(), "en-US");
    EXPECT_EQ(version["ManifestType"].as<std::string>(), "version");

    const YAML::Node installer = YAML::LoadFile("m/Sample.Dictionary.installer.yaml");
    EXPECT_EQ(installer["PackageIdentifier"].as<std::string>(), "Sample.Dictionary");
    EXPECT_EQ(installer["InstallerType"].as<std::string>(), "exe");
    EXPECT_EQ(installer["Scope"].as<std::string>(), "machine");
    EXPECT_EQ(installer["ElevationRequirement"].as<std::string>(), "elevatesSelf");
    EXPECT_EQ(installer["UpgradeBehavior"].as<std::string>(), "install");
    const YAML::Node switches = installer["InstallerSwitches"];
    EXPECT_EQ(switches["Silent"].as<std::string>(), "/VERYSILENT");
    EXPECT_EQ(switches["SilentWithProgress"].as<std::string>(), "/SILENT");
    EXPECT_EQ(switches["InstallLocation"].as<std::string>(), "/DIR=\"<INSTALLPATH>\"");
    EXPECT_EQ(switches["Log"].as<std::string>(), "/LOG=\"<LOGPATH>\"");
    std::map<int, std::string> codes;
    for (const YAML::Node& code : installer["ExpectedReturnCodes"])
        codes[code["InstallerReturnCode"].as<int>()] = code["ReturnResponse"].as<std::string>();
    const std::map<int, std::string> expected = {{1, "contactSupport"},   {2, "custom"},
                                                 {87, "invalidParameter"}, {1618, "installInProgress"},
                                                 {1638, "downgrade"},      {3010, "rebootRequiredToFinish"}};
    EXPECT_EQ(codes, expected);
    EXPECT_FALSE(installer["InstallerSuccessCodes"]) << "winget knows 0 itself";
    const YAML::Node entry = installer["AppsAndFeaturesEntries"][0];
    EXPECT_EQ(entry["DisplayName"].as<std::string>(), "Dizionario d'\xC3\xA8sempio") << "Windows-1252 as UTF-8";
    EXPECT_EQ(entry["DisplayVersion"].as<std::string>(), "2.1");
    EXPECT_EQ(entry["Publisher"].as<std::string>(), "Sample Press");
    const YAML::Node setup = installer["Installers"][0];
    EXPECT_EQ(setup["Architecture"].as<std::string>(), "x86");
    EXPECT_EQ(setup["InstallerUrl"].as<std::string>(), "https://example.org/setup.exe");
    EXPECT_EQ(setup["InstallerSha256"].as<std::string>(), sha256sum("setup.exe"));

    const YAML::Node locale = YAML::LoadFile("m/Sample.Dictionary.locale.en-US.yaml");
    EXPECT_EQ(locale["PackageLocale"].as<std::string>(), "en-US");
    EXPECT_EQ(locale["PackageName"].as<std::string>(), "Dizionario d'\xC3\xA8sempio");
    EXPECT_EQ(locale["Publisher"].as<std::string>(), "Sample Press");
    EXPECT_EQ(locale["License"].as<std::string>(), "Proprietary");
    EXPECT_EQ(locale["ShortDescription"].as<std::string>(), "A dictionary: Italian");
    EXPECT_EQ(locale["ManifestType"].as<std::string>(), "defaultLocale");

    // A version other than the script's would never match the entry the
    // installer makes; a partial installation may count as done.
    const std::string partialRun = "manifest setup.exe --id Sample.Dictionary --license L --short-description D "
                                   "--installer-url https://example.org/s.exe --partial-is-success -o m --version ";
    const ToolRun other = dicttool(partialRun + "3");
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("--version 3 differs from the version line of install.inf (2.1)"), std::string::npos)
        << other.err;
    ASSERT_EQ(dicttool(partialRun + "2.1").status, 0);
    const YAML::Node partial = YAML::LoadFile("m/Sample.Dictionary.installer.yaml");
    EXPECT_EQ(partial["PackageVersion"].as<std::string>(), "2.1");
    EXPECT_EQ(partial["InstallerSuccessCodes"][0].as<int>(), 2);
    EXPECT_EQ(partial["ExpectedReturnCodes"].size(), 5u);
}

// One setup file from a folder, as a publisher makes it: refused while the
// folder has problems unless forced, and carrying the folder whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
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

    EXPECT_EQ(dicttool("bundle cd -o cd/setup.exe --installer install.exe --force").status, 1)
        << "not into the folder it carries";
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

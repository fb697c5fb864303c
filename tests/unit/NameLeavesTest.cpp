// Names that must stay inside the folder they are resolved under.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PathText.h"

TEST(NameLeavesTest, EachNameIsJudgedAsWindowsResolvesIt) {
    const std::vector<std::pair<NameLeaves, std::vector<const char*>>> cases = {
        {NameLeaves::No, {"", "a.txt", "docs\\readme.txt", "docs/../readme.txt", ".\\a\\.\\b", "a\\\\b", "console.txt",
                          "COM10", "lpt", "nul-x"}},
        {NameLeaves::ClimbsOut, {"..", "..\\outside.txt", "a\\..\\..\\b", "a/../../b", "...\\x", "a\\. .\\x"}},
        {NameLeaves::Drive, {"C:x", "c:\\Windows\\x"}},
        {NameLeaves::Absolute, {"\\Windows", "/etc", "\\\\server\\share\\x", "\\\\?\\C:\\x"}},
        {NameLeaves::Stream, {"a.txt:hidden", "a.txt::$DATA", "1:x"}},
        {NameLeaves::Device, {"CON", "nul.txt", "docs\\Aux.tar.gz", "com1", "LPT9.", "prn \\x", "nul .x",
                              "COM\xC2\xB9", "conout$", "lpt0"}},
    };
    for (const auto& [expected, names] : cases)
        for (const char* name : names) {
            EXPECT_EQ(nameLeaves(name), expected) << name;
            EXPECT_EQ(*nameLeavesText(nameLeaves(name)) == '\0', expected == NameLeaves::No) << name;
        }
}

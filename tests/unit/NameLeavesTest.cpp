// Names that must stay inside the folder they are resolved under.
#include <gtest/gtest.h>

#include <string>

#include "core/PathText.h"

TEST(NameLeavesTest, EachNameIsJudgedAsWindowsResolvesIt) {
    const struct {
        const char* name;
        NameLeaves expected;
    } cases[] = {
        {"", NameLeaves::No},
        {"a.txt", NameLeaves::No},
        {"docs\\readme.txt", NameLeaves::No},
        {"docs/../readme.txt", NameLeaves::No},
        {".\\a\\.\\b", NameLeaves::No},
        {"a\\\\b", NameLeaves::No},
        {"console.txt", NameLeaves::No},
        {"COM10", NameLeaves::No},
        {"lpt", NameLeaves::No},
        {"nul-x", NameLeaves::No},
        {"..", NameLeaves::ClimbsOut},
        {"..\\outside.txt", NameLeaves::ClimbsOut},
        {"a\\..\\..\\b", NameLeaves::ClimbsOut},
        {"a/../../b", NameLeaves::ClimbsOut},
        {"...\\x", NameLeaves::ClimbsOut},
        {"a\\. .\\x", NameLeaves::ClimbsOut},
        {"C:x", NameLeaves::Drive},
        {"c:\\Windows\\x", NameLeaves::Drive},
        {"\\Windows", NameLeaves::Absolute},
        {"/etc", NameLeaves::Absolute},
        {"\\\\server\\share\\x", NameLeaves::Absolute},
        {"\\\\?\\C:\\x", NameLeaves::Absolute},
        {"a.txt:hidden", NameLeaves::Stream},
        {"a.txt::$DATA", NameLeaves::Stream},
        {"1:x", NameLeaves::Stream},
        {"CON", NameLeaves::Device},
        {"nul.txt", NameLeaves::Device},
        {"docs\\Aux.tar.gz", NameLeaves::Device},
        {"com1", NameLeaves::Device},
        {"LPT9.", NameLeaves::Device},
        {"prn \\x", NameLeaves::Device},
        {"nul .x", NameLeaves::Device},
        {"COM\xC2\xB9", NameLeaves::Device},
        {"conout$", NameLeaves::Device},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nameLeaves(c.name), c.expected) << c.name;
        EXPECT_EQ(*nameLeavesText(nameLeaves(c.name)) == '\0', c.expected == NameLeaves::No) << c.name;
    }
}

// The decision whether an elevated installer may write into a folder it did
// not make, over access lists as Windows and Wine report them, and the list
// of the folders it makes.
#include <gtest/gtest.h>

#include "core/FolderTrust.h"

namespace {

constexpr const char* kSelf = "S-1-5-21-1-2-3-1000";
constexpr const char* kOtherUser = "S-1-5-21-1-2-3-1001";
constexpr const char* kAuthenticatedUsers = "S-1-5-11";
constexpr const char* kCreatorOwner = "S-1-3-0";
constexpr std::uint8_t kInheritOnly = kInheritedByAll | 0x8;
constexpr std::uint32_t kModify = 0x1301BF;
constexpr std::uint32_t kGenericWrite = 0x120116;  // what a Unix write bit reads back as

FolderFacts facts(const char* owner, std::vector<AccessEntry> entries) {
    FolderFacts f;
    f.owner = owner;
    f.entries = std::move(entries);
    f.self = kSelf;
    return f;
}

}  // namespace

TEST(FolderTrust, OnlyAdministratorsAndTheRunningAccountMayChangeATrustedFolder) {
    const AccessEntry system{kSystemSid, kFullControl, kInheritedByAll};
    const AccessEntry admins{kAdministratorsSid, kFullControl, kInheritedByAll};
    const AccessEntry usersRead{kUsersSid, kReadAndExecute, kInheritedByAll};
    FolderFacts link = facts(kAdministratorsSid, {system});
    link.link = true;
    FolderFacts noList = facts(kAdministratorsSid, {});
    noList.hasList = false;
    FolderFacts unreadable;
    unreadable.readable = false;
    const struct {
        const char* what;
        FolderFacts facts;
        FolderTrust expected;
    } cases[] = {
        {"a Program Files folder",
         facts(kTrustedInstallerSid, {{kTrustedInstallerSid, kFullControl, 0}, system, admins, usersRead,
                                      {kCreatorOwner, kFullControl, kInheritOnly}}),
         FolderTrust::Trusted},
        {"as Wine reads a folder of mode 0755",
         facts(kSelf, {{kSelf, kFullControl, 0}, system, {kEveryoneSid, kReadAndExecute, 0}}),
         FolderTrust::Trusted},
        {"an empty list: no one may do anything", facts(kSystemSid, {}), FolderTrust::Trusted},
        {"an entry of a kind not read that grants only reading", facts(kSelf, {{"", kReadAndExecute, 0}}),
         FolderTrust::Trusted},
        {"as Wine reads a folder of mode 0777",
         facts(kSelf, {{kSelf, kFullControl, 0}, {kEveryoneSid, kGenericWrite, 0}}),
         FolderTrust::OthersMayChange},
        {"made in a drive root",
         facts(kAdministratorsSid, {system, admins, {kAuthenticatedUsers, kModify, kInheritedByAll}}),
         FolderTrust::OthersMayChange},
        {"users may add a folder", facts(kSystemSid, {{kUsersSid, 0x4, 0}}), FolderTrust::OthersMayChange},
        {"users may delete", facts(kSystemSid, {{kUsersSid, 0x10000, 0}}), FolderTrust::OthersMayChange},
        {"users may change the rights", facts(kSystemSid, {{kUsersSid, 0x40000, 0}}), FolderTrust::OthersMayChange},
        {"users may take it over", facts(kSystemSid, {{kUsersSid, 0x80000, 0}}), FolderTrust::OthersMayChange},
        {"everything, generically", facts(kSystemSid, {{kUsersSid, 0x10000000, 0}}), FolderTrust::OthersMayChange},
        {"what is put into it inherits others' write", facts(kSystemSid, {{kEveryoneSid, 0x2, kInheritOnly}}),
         FolderTrust::OthersMayChange},
        {"a write of an entry not read", facts(kSelf, {{"", 0x2, 0}}), FolderTrust::OthersMayChange},
        {"no list at all", noList, FolderTrust::OthersMayChange},
        {"another user's", facts(kOtherUser, {system}), FolderTrust::ForeignOwner},
        {"a link, whatever its list", link, FolderTrust::Link},
        {"rights that cannot be read", unreadable, FolderTrust::Unreadable},
    };
    for (const auto& c : cases)
        EXPECT_EQ(judgeFolder(c.facts), c.expected) << c.what;
    EXPECT_EQ(folderRefusal(FolderTrust::OthersMayChange, "C:\\d"),
              "Other users can change files in C:\\d. Choose a new folder, or one that only administrators can "
              "change.");
    EXPECT_EQ(folderRefusal(FolderTrust::Trusted, "C:\\d"), "");
}

// What Program Files gives: SYSTEM and Administrators full control, Users
// read and execute, inherited by all, the parent's list not inherited.
TEST(FolderTrust, TheFoldersTheInstallerMakesLetUsersOnlyReadAndAreTrusted) {
    const std::vector<AccessEntry> entries = protectedFolderEntries();
    EXPECT_EQ(protectedListText(entries),
              "D:P(A;OICI;0x1f01ff;;;S-1-5-18)(A;OICI;0x1f01ff;;;S-1-5-32-544)(A;OICI;0x1200a9;;;S-1-5-32-545)");
    for (const AccessEntry& entry : entries)
        EXPECT_TRUE(entry.sid != kUsersSid || (entry.mask & kChangingRights) == 0) << entry.sid;
    FolderFacts made = facts(kAdministratorsSid, entries);
    made.self = kOtherUser;
    EXPECT_EQ(judgeFolder(made), FolderTrust::Trusted);
}

// Whether an elevated program may write into a folder that it did not make,
// judged from the folder's owner and access list as text, so that the host
// tests the decision; and the access list of the folders it makes itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The well-known accounts, as string SIDs.
constexpr const char* kSystemSid = "S-1-5-18";
constexpr const char* kAdministratorsSid = "S-1-5-32-544";
constexpr const char* kUsersSid = "S-1-5-32-545";
constexpr const char* kEveryoneSid = "S-1-1-0";
constexpr const char* kTrustedInstallerSid = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Rights as the system numbers them.
constexpr std::uint32_t kFullControl = 0x1F01FF;
constexpr std::uint32_t kReadAndExecute = 0x1200A9;
// Write data or add a file, append or add a folder, delete a child, delete,
// change the rights, take ownership, and the generic write and all.
constexpr std::uint32_t kChangingRights = 0x2 | 0x4 | 0x40 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;
// Inherited by files and by folders (OI, CI).
constexpr std::uint8_t kInheritedByAll = 0x1 | 0x2;

// One entry of an access list. An entry that allows nothing (a deny entry)
// is not listed: leaving it out can only make a folder look less safe.
struct AccessEntry {
    std::string sid;  // empty when the entry's kind names it in a way not read
    std::uint32_t mask = 0;
    std::uint8_t flags = 0;  // inheritance flags
};

// What the system says of an existing folder.
struct FolderFacts {
    bool readable = true;  // the folder could be opened and its rights read
    bool link = false;     // a junction or symbolic link
    std::string owner;
    bool hasList = true;  // no list at all lets everyone do everything
    std::vector<AccessEntry> entries;
    std::string self;  // the account the program runs as
};

enum class FolderTrust { Trusted, Unreadable, Link, ForeignOwner, OthersMayChange };

// Trusted when the folder is no link, belongs to SYSTEM, the
// Administrators, TrustedInstaller or the program's own account, and its
// list lets no one else write, add, delete, change rights or take it over.
FolderTrust judgeFolder(const FolderFacts& facts);

// The sentence that says why a folder is refused; empty when it is trusted.
std::string folderRefusal(FolderTrust trust, const std::string& folder);

// The list of every folder an elevated installation makes: SYSTEM and the
// Administrators full control, Users read and execute, inherited by what is
// made in it, nothing inherited from its parent.
std::vector<AccessEntry> protectedFolderEntries();

// Why, in a few words ("other users can change it"), for a failed step.
std::string folderTrustReason(FolderTrust trust);

// A protected list ("D:P...") of those entries, as text the system reads.
std::string protectedListText(const std::vector<AccessEntry>& entries);

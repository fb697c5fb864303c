#include "core/FolderTrust.h"

#include <cstdio>

namespace {

// CREATOR OWNER and OWNER RIGHTS stand for whoever owns an item, which the
// owner check has already judged.
bool trustedAccount(const std::string& sid, const std::string& self) {
    return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid ||
           (!self.empty() && sid == self) || sid == "S-1-3-0" || sid == "S-1-3-4";
}

bool trustedOwner(const std::string& sid, const std::string& self) {
    return sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid ||
           (!self.empty() && sid == self);
}

}  // namespace

// An entry that only its children inherit counts too: the files the
// installer puts there would carry it.
FolderTrust judgeFolder(const FolderFacts& facts) {
    if (!facts.readable)
        return FolderTrust::Unreadable;
    if (facts.link)
        return FolderTrust::Link;
    if (!trustedOwner(facts.owner, facts.self))
        return FolderTrust::ForeignOwner;
    if (!facts.hasList)
        return FolderTrust::OthersMayChange;
    for (const AccessEntry& entry : facts.entries)
        if ((entry.mask & kChangingRights) && !trustedAccount(entry.sid, facts.self))
            return FolderTrust::OthersMayChange;
    return FolderTrust::Trusted;
}

std::string folderRefusal(FolderTrust trust, const std::string& folder) {
    const std::string choose = " Choose a new folder, or one that only administrators can change.";
    switch (trust) {
    case FolderTrust::Trusted:
        return {};
    case FolderTrust::Unreadable:
        return "The rights of " + folder + " cannot be read." + choose;
    case FolderTrust::Link:
        return folder + " is a link to another place." + choose;
    case FolderTrust::ForeignOwner:
        return folder + " belongs to another user." + choose;
    case FolderTrust::OthersMayChange:
        break;
    }
    return "Other users can change files in " + folder + "." + choose;
}

std::string folderTrustReason(FolderTrust trust) {
    switch (trust) {
    case FolderTrust::Trusted:
        return {};
    case FolderTrust::Unreadable:
        return "its rights cannot be read";
    case FolderTrust::Link:
        return "it is a link to another place";
    case FolderTrust::ForeignOwner:
        return "it belongs to another user";
    case FolderTrust::OthersMayChange:
        break;
    }
    return "other users can change it";
}

std::vector<AccessEntry> protectedFolderEntries() {
    return {{kSystemSid, kFullControl, kInheritedByAll},
            {kAdministratorsSid, kFullControl, kInheritedByAll},
            {kUsersSid, kReadAndExecute, kInheritedByAll}};
}

std::string protectedListText(const std::vector<AccessEntry>& entries) {
    std::string text = "D:P";
    for (const AccessEntry& entry : entries) {
        char mask[16];
        std::snprintf(mask, sizeof mask, "0x%lx", static_cast<unsigned long>(entry.mask));
        std::string flags = std::string(entry.flags & 0x1 ? "OI" : "") + (entry.flags & 0x2 ? "CI" : "");
        text += "(A;" + flags + ";" + mask + ";;;" + entry.sid + ")";
    }
    return text;
}

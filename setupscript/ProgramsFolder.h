// Which Programs folder of the Start menu receives the shortcut.
#pragma once

enum class ProgramsFolder { User, AllUsers };

// What the installer knows of its account and of the person at the desktop.
struct DesktopAccount {
    bool runsAsSystem = false;   // started by a deployment system as SYSTEM
    bool desktopKnown = false;   // the shell's account could be read
    bool sameAsDesktop = false;  // this process runs under the shell's account
};

// The person at the desktop must see the shortcut. SYSTEM's own Programs
// folder is seen by no one, nor is that of an administrator whose password
// elevated the installer: both get the all-users folder. Under the
// desktop's own account, or when the desktop's owner cannot be asked (no
// shell, no right to query it), the user's folder.
ProgramsFolder programsFolderFor(const DesktopAccount& account);

#include "setupscript/ProgramsFolder.h"

ProgramsFolder programsFolderFor(const DesktopAccount& account) {
    if (account.runsAsSystem)
        return ProgramsFolder::AllUsers;
    if (!account.desktopKnown || account.sameAsDesktop)
        return ProgramsFolder::User;
    return ProgramsFolder::AllUsers;
}

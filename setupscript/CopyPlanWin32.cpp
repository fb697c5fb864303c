// The files the execution pass will copy, read ahead of it from the same
// script with the same rules of the path: every destination of a copy,
// xcopy and sndcopy line whose source is there. Nothing is shown, asked or
// counted here; the execution pass does that when it comes to the line.
#include <windows.h>

#include <string>
#include <vector>

#include "core/PathText.h"
#include "core/win32/HandlesWin32.h"
#include "record/InstallRecord.h"
#include "run/ScriptSettings.h"
#include "setupscript/ScriptPlan.h"
#include "setupscript/ScriptWin32.h"
#include "setupscript/SetupScript.h"

namespace {

struct CopyPlan {
    std::string targetSlash;
    std::vector<std::string> destinations;
};

void plan(CopyPlan& copies, const std::string& source, const std::string& destination) {
    if (fitsPath(source) && fitsPath(destination) && !pathListed(copies.destinations, destination))
        copies.destinations.push_back(destination);
}

// What a folder copy's listing finds now; a listing that fails plans what
// it found before the failure.
void planMatches(CopyPlan& copies, const std::string& pattern, const std::string& destination) {
    const std::string from = patternFolder(pattern);
    ScopedFind search(pattern);
    if (!search.found())
        return;
    do {
        if (folderCopyTakes(search.isFolder()))
            plan(copies, from + search.name(),
                 folderCopyDestination(copies.targetSlash, destination, search.name()));
    } while (search.next());
}

void planLine(CopyPlan& copies, const char* line, const std::string& sourceSlash) {
    std::string first, second;
    const ScriptKeyword keyword = executionKeyword(line);
    if ((keyword != ScriptKeyword::Copy && keyword != ScriptKeyword::XCopy && keyword != ScriptKeyword::SndCopy) ||
        !splitOperands(line, first, second) || nameLeaves(second) != NameLeaves::No)
        return;
    if (keyword == ScriptKeyword::Copy) {
        const std::string source = sourceSlash + first;
        if (GetFileAttributesW(toWide(source).c_str()) != INVALID_FILE_ATTRIBUTES)
            plan(copies, source, singleCopyDestination(copies.targetSlash, second));
    } else if (keyword == ScriptKeyword::XCopy) {
        planMatches(copies, resolvedAgainst(sourceSlash, first), second);
    } else {
        planMatches(copies, joinPath(resolvedAgainst(sourceSlash, first), kFolderCopyPattern), second);
    }
}

}  // namespace

std::vector<std::string> plannedCopies() {
    CopyPlan copies;
    copies.targetSlash = withBackslash(scriptSettings.targetDir);
    const std::string sourceSlash = withBackslash(scriptSettings.sourceDir);
    readSetupScript([&](const char* line) { planLine(copies, line, sourceSlash); });
    return copies.destinations;
}

// The installer's notes of what it creates and changes, kept in
// installNotes.record while the installation runs. The subsystems call
// these, so that none of them needs to know the record's form.
#include <algorithm>

#include "base/Collation.h"
#include "base/InstallRecord.h"
#include "base/ScriptSettings.h"

InstallNotes installNotes;

namespace {

// A path as the record spells it: under the record's target when it lies
// under the target directory as typed; empty when it cannot be spelled.
std::string recordSpelling(const char* path) {
    const std::string typedTarget = normalRecordPath(scriptSettings.targetDir, "");
    const std::string normal = normalRecordPath(path, typedTarget);
    const std::string& target = installNotes.record.target;
    if (normal.empty() || target.empty() || !pathWithin(normal, typedTarget, true))
        return normal;
    return target + normal.substr(typedTarget.size());
}

void noteOnce(std::vector<std::string>& list, const char* path) {
    const std::string spelled = recordSpelling(path);
    if (!spelled.empty() && !foldedIn(list, spelled))
        list.push_back(spelled);
}

}  // namespace

void noteCreatedDirectory(const char* path) {
    noteOnce(installNotes.record.directories, path);
}

void noteWrittenFile(const char* path, bool existedBefore) {
    const std::string spelled = recordSpelling(path);
    InstallRecord& record = installNotes.record;
    if (spelled.empty() || foldedIn(record.files, spelled) || foldedIn(record.existed, spelled))
        return;
    (existedBefore ? record.existed : record.files).push_back(spelled);
}

void noteRemovedFile(const char* path) {
    const std::string spelled = recordSpelling(path);
    for (auto* list : {&installNotes.record.files, &installNotes.record.existed})
        list->erase(std::remove_if(list->begin(), list->end(),
                                   [&](const std::string& entry) { return foldEquals(entry.c_str(), spelled.c_str()); }),
                    list->end());
}

void noteIniKey(const char* key, bool hadValue, const char* previous, const char* given) {
    for (IniKeyChange& change : installNotes.record.iniKeys)
        if (foldEquals(change.key.c_str(), key)) {
            change.given = given;
            return;
        }
    installNotes.record.iniKeys.push_back({key, hadValue, hadValue ? previous : "", true, given});
}

void noteIniSectionCreated() {
    installNotes.record.createdIniSection = true;
}

// The installer's notes of what it creates and changes, kept in
// installNotes.record while the installation runs. The subsystems call
// these, so that none of them needs to know the record's form.
#include <algorithm>

#include "core/Collation.h"
#include "record/InstallRecord.h"
#include "core/PathText.h"
#include "run/ScriptSettings.h"

InstallNotes installNotes;

namespace {

// How many bytes of path, which lies under root, spell root's names: the
// system may take a name for one of another length in UTF-8 (U+017F and
// "S" are the same letter to it).
std::size_t rootSpelling(const std::string& path, const std::string& root) {
    const bool rootSlash = root.back() == '\\';
    const auto names = std::count(root.begin(), root.end(), '\\') + (rootSlash ? 0 : 1);
    std::size_t at = 0;
    for (auto i = names; i > 0; --i) {
        at = path.find('\\', at);
        if (at == std::string::npos)
            return path.size();
        ++at;
    }
    return rootSlash ? at : at - 1;
}

std::string recordSpelling(const char* path) {
    return spelledUnder(path, installNotes.record.target);
}

void noteOnce(std::vector<std::string>& list, const char* path) {
    const std::string spelled = recordSpelling(path);
    if (!spelled.empty() && !pathListed(list, spelled))
        list.push_back(spelled);
}

}  // namespace

std::string spelledUnder(const std::string& path, const std::string& target) {
    const std::string typedTarget = normalRecordPath(scriptSettings.targetDir, "");
    const std::string normal = normalRecordPath(path, typedTarget);
    if (normal.empty() || target.empty() || !pathWithin(normal, typedTarget, true))
        return normal;
    return target + normal.substr(rootSpelling(normal, typedTarget));
}

void noteCreatedDirectory(const char* path) {
    noteOnce(installNotes.record.directories, path);
}

void noteWrittenFile(const char* path, bool existedBefore) {
    const std::string spelled = recordSpelling(path);
    InstallRecord& record = installNotes.record;
    if (spelled.empty() || pathListed(record.files, spelled) || pathListed(record.existed, spelled))
        return;
    (existedBefore ? record.existed : record.files).push_back(spelled);
}

void noteRemovedFile(const char* path) {
    const std::string spelled = recordSpelling(path);
    for (auto* list : {&installNotes.record.files, &installNotes.record.existed})
        list->erase(std::remove_if(list->begin(), list->end(),
                                   [&](const std::string& entry) { return pathEquals(entry, spelled); }),
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

// The journal on other hosts: the host tests of the subsystems make their
// changes without one.
#include "run/Journaling.h"

namespace {
const std::string noTarget;
}

void keepJournal() {}
void beginJournal(const std::string&) {}
const std::string& journalTarget() {
    return noTarget;
}
void journalFolder(const std::string&) {}
bool journalFile(const std::string&) {
    return true;
}
void restoreEarlierFile(const std::string&) {}
void journalIniKey(const std::string&, bool, const std::string&) {}
void journalIniSection() {}
void journalEntry(const std::string&, bool, const std::string&) {}
bool commitJournal() {
    return true;
}
void rollBackJournal(std::vector<std::string>&) {}
bool journalBegun() {
    return false;
}

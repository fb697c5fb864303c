#include "tests/support/HostPlatform.h"

#include <cstdio>
#include <cstring>

#include "base/Collation.h"
#include "base/FailedSteps.h"
#include "base/InstallRecord.h"
#include "base/MessageBoxes.h"
#include "base/PathText.h"
#include "base/Progress.h"
#include "base/ScriptSettings.h"
#include "settings/SettingsFile.h"

HostPlatform& hostPlatform() {
    static HostPlatform platform;
    return platform;
}

void resetHostPlatform() {
    hostPlatform() = HostPlatform{};
    scriptSettings = ScriptSettings{};
    failedSteps = FailedSteps{};
    progressLayout = ProgressLayout{};
    installNotes = InstallNotes{};
    comparisonCount = 0;
    languageEntryCount = 0;
}

std::vector<DrawEvent> drawsOfKind(const std::string& kind) {
    std::vector<DrawEvent> out;
    for (const DrawEvent& e : hostPlatform().draws)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

namespace {
void record(DrawEvent e) {
    hostPlatform().draws.push_back(std::move(e));
}
}  // namespace

void fatalError(const char* message) {
    throw FatalExit{message, 1};
}

void showClosingMessage(const char* text) {
    hostPlatform().closingMessages.emplace_back(text);
}

void showCollationWarning(const char* text) {
    hostPlatform().collationWarnings.emplace_back(text);
}

void beginLanguageDrawing() {
    record({"begin", "", 0, 0, 0, 0, 0});
}

void endLanguageDrawing() {
    record({"end", "", 0, 0, 0, 0, 0});
}

void drawLanguageName(const char* name, int top) {
    record({"name", name, 30, top, 480, top + 40, 0});
}

void drawProgressBar(int left, int top, int right, int bottom, int fillRight, const char* text) {
    record({"bar", text, left, top, right, bottom, fillRight});
}

void paintStatusText(const char* text, int left, int top, int right, int bottom) {
    record({"status", text, left, top, right, bottom, 0});
}

void paintCounter(long value) {
    const CounterBox& box = progressLayout.counterBox;
    record({"counter", std::to_string(value), box.left, box.top, box.right, box.bottom,
            static_cast<int>(value)});
}

// On the host no collation locale exists: selection "succeeds" when the
// test says so, and the comparison is always the folding one.
bool selectCollation(const char* localeName) {
    if (!localeName) {
        hostPlatform().collationSelected = false;
        return true;
    }
    if (!hostPlatform().collationAvailable || std::strcmp(localeName, "italian") != 0)
        return false;
    hostPlatform().collationSelected = true;
    return true;
}

bool collationSelected() {
    return hostPlatform().collationSelected;
}

int collateCompare(const char* a, const char* b) {
    return foldCompare(a, b);
}

std::string collateSortKey(const char* text) {
    return foldedKey(text);
}

bool systemReplaceFile(const char* source, const char* target) {
    if (hostPlatform().failReplace)
        return false;
    return std::rename(source, target) == 0;
}

bool pathEquals(const std::string& a, const std::string& b) {
    return foldedName(a) == foldedName(b);
}

bool fileFault(FileOp op) {
    HostPlatform::FileFault& fault = hostPlatform().fault(op);
    ++fault.calls;
    return fault.failAt != 0 && fault.calls == fault.failAt;
}

#include "tests/support/HostPlatform.h"

#include <cstring>

#include "core/Collation.h"
#include "run/FailedSteps.h"
#include "record/InstallRecord.h"
#include "run/MessageBoxes.h"
#include "run/Progress.h"
#include "run/ScriptSettings.h"
#include "settings/SettingsFile.h"

namespace {

void record(DrawEvent e);

void recordBegin() {
    record({"begin", "", 0, 0, 0, 0, 0});
}

void recordEnd() {
    record({"end", "", 0, 0, 0, 0, 0});
}

void recordName(const char* name, int top) {
    record({"name", name, 30, top, 480, top + 40, 0});
}

void recordBar(int left, int top, int right, int bottom, int fillRight, const char* text) {
    record({"bar", text, left, top, right, bottom, fillRight});
}

void recordStatus(const char* text, int left, int top, int right, int bottom) {
    record({"status", text, left, top, right, bottom, 0});
}

void recordCounter(long value) {
    const CounterBox& box = progressLayout.counterBox;
    record({"counter", std::to_string(value), box.left, box.top, box.right, box.bottom,
            static_cast<int>(value)});
}

// The progress display is recorded from the first use of the platform on.
HostPlatform& platformWithRecorder() {
    ProgressPainter painter;
    painter.begin = recordBegin;
    painter.end = recordEnd;
    painter.languageName = recordName;
    painter.bar = recordBar;
    painter.statusText = recordStatus;
    painter.counter = recordCounter;
    setProgressPainter(painter);
    static HostPlatform platform;
    return platform;
}

void record(DrawEvent e) {
    hostPlatform().draws.push_back(std::move(e));
}

}  // namespace

HostPlatform& hostPlatform() {
    static HostPlatform& platform = platformWithRecorder();
    return platform;
}

void resetHostPlatform() {
    hostPlatform() = HostPlatform{};
    scriptSettings = ScriptSettings{};
    failedSteps = FailedSteps{};
    progressLayout = ProgressLayout{};
    installNotes = InstallNotes{};
    comparisonCount = 0;
}

std::vector<DrawEvent> drawsOfKind(const std::string& kind) {
    std::vector<DrawEvent> out;
    for (const DrawEvent& e : hostPlatform().draws)
        if (e.kind == kind)
            out.push_back(e);
    return out;
}

void showClosingMessage(const char* text) {
    hostPlatform().closingMessages.emplace_back(text);
}

void showCollationWarning(const char* text) {
    hostPlatform().collationWarnings.emplace_back(text);
}

// On the host no collation locale exists: selection "succeeds" when the
// test says so; the comparison is core_posix's folding one.
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

unsigned systemAnsiCodePage() {
    return hostPlatform().ansiCodePage;
}

bool fileFault(FileOp op) {
    HostPlatform::FileFault& fault = hostPlatform().fault(op);
    ++fault.calls;
    return (fault.failAt != 0 && fault.calls == fault.failAt) || (op == FileOp::Replace && hostPlatform().failReplace);
}

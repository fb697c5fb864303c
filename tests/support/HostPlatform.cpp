#include "tests/support/HostPlatform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/CodePage.h"
#include "core/Collation.h"
#include "run/FailedSteps.h"
#include "record/InstallRecord.h"
#include "run/MessageBoxes.h"
#include "core/PathText.h"
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

std::FILE* systemOpenFile(const char* name, const char* mode) {
    return std::fopen(name, mode);
}

bool systemReplaceFile(const char* source, const char* target) {
    if (hostPlatform().failReplace)
        return false;
    return std::rename(source, target) == 0;
}

namespace {

// The Shift-JIS characters the tests use: two whose trail byte is a
// backslash, and two that differ only in a trail byte that is a letter.
constexpr struct {
    unsigned short bytes;
    char32_t c;
} kShiftJis[] = {{0x835C, 0x30BD}, {0x955C, 0x8868}, {0x8341, 0x30A2}, {0x8361, 0x30C2}};

// A byte below 0x80 is ASCII; any other begins one of the pairs above, or
// is invalid.
std::string decodeShiftJis(const std::string& bytes, std::vector<std::size_t>& invalid) {
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const unsigned pair = at + 1 < bytes.size() ? lead << 8 | static_cast<unsigned char>(bytes[at + 1]) : 0;
        const auto known = std::find_if(std::begin(kShiftJis), std::end(kShiftJis),
                                        [&](const auto& k) { return k.bytes == pair; });
        if (lead < 0x80) {
            text += bytes[at++];
        } else if (known != std::end(kShiftJis)) {
            appendUtf8(text, known->c);
            at += 2;
        } else {
            invalid.push_back(at++);
            text += "\xEF\xBF\xBD";
        }
    }
    return text;
}

bool encodeShiftJis(const std::string& utf8, std::string& bytes, std::size_t& unwritableAt) {
    bytes.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        std::size_t length = 1;
        const bool valid = utf8Character(utf8, at, c, length);
        const auto known =
            std::find_if(std::begin(kShiftJis), std::end(kShiftJis), [&](const auto& k) { return k.c == c; });
        if (valid && c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (valid && known != std::end(kShiftJis)) {
            bytes += static_cast<char>(known->bytes >> 8);
            bytes += static_cast<char>(known->bytes & 0xFF);
        } else {
            unwritableAt = at;
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace

unsigned systemAnsiCodePage() {
    return hostPlatform().ansiCodePage;
}

bool codePageKnown(unsigned codePage) {
    return codePage == 1252 || codePage == 932;
}

std::string decodeFromCodePage(const std::string& bytes, unsigned codePage, std::vector<std::size_t>& invalid) {
    return codePage == 932 ? decodeShiftJis(bytes, invalid) : windows1252ToUtf8(bytes);
}

bool encodeToCodePage(const std::string& utf8, unsigned codePage, std::string& bytes, std::size_t& unwritableAt) {
    return codePage == 932 ? encodeShiftJis(utf8, bytes, unwritableAt) : utf8ToWindows1252(utf8, bytes, unwritableAt);
}

bool pathEquals(const std::string& a, const std::string& b) {
    return foldedName(a) == foldedName(b);
}

bool fileFault(FileOp op) {
    HostPlatform::FileFault& fault = hostPlatform().fault(op);
    ++fault.calls;
    return fault.failAt != 0 && fault.calls == fault.failAt;
}

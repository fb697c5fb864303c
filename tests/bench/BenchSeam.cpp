// The installer's window seam for the benchmark: nothing is drawn and no box
// is shown, so that only the builder's own work is measured. The moments at
// which the builder draws its bar and status lines are kept, to time its
// phases.
#include <chrono>
#include <vector>

#include "run/HeldFiles.h"
#include "run/MessageBoxes.h"
#include "run/Progress.h"
#include "tests/bench/Bench.h"

namespace {

std::vector<BenchMark>& marks() {
    static std::vector<BenchMark> list;
    return list;
}

void mark(const char* text) {
    marks().push_back({text, std::chrono::steady_clock::now()});
}

void markEnd() {
    mark("end");
}
void markBar(int, int, int, int, int, const char* text) {
    mark(text);
}
void markStatus(const char* text, int, int, int, int) {
    mark(text);
}

}  // namespace

const std::vector<BenchMark>& benchMarks() {
    return marks();
}

void keepBenchMarks() {
    ProgressPainter painter;
    painter.end = markEnd;
    painter.bar = markBar;
    painter.statusText = markStatus;
    setProgressPainter(painter);
}

void showClosingMessage(const char*) {}
void showCollationWarning(const char*) {}

// A word list that another program holds is a write that failed: nothing
// waits for a restart of Windows.
HeldAnswer askAboutHeldFile(const std::string&) {
    return HeldAnswer::Refuse;
}

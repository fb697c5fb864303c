// The installer's window seam for the benchmark: nothing is drawn and no box
// is shown, so that only the builder's own work is measured. The moments at
// which the builder draws its bar and status lines are kept, to time its
// phases.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/FileLayer.h"
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

}  // namespace

const std::vector<BenchMark>& benchMarks() {
    return marks();
}

void fatalError(const char* message) {
    std::fprintf(stderr, "fatal: %s\n", message);
    std::exit(1);
}

void showClosingMessage(const char*) {}
void showCollationWarning(const char*) {}

void beginLanguageDrawing() {}
void endLanguageDrawing() {
    mark("end");
}
void drawLanguageName(const char*, int) {}
void drawProgressBar(int, int, int, int, int, const char* text) {
    mark(text);
}
void paintStatusText(const char* text, int, int, int, int) {
    mark(text);
}
void paintCounter(long) {}

bool fileFault(FileOp) {
    return false;
}

std::FILE* systemOpenFile(const char* name, const char* mode) {
    return std::fopen(name, mode);
}

bool systemReplaceFile(const char* source, const char* target) {
    return std::rename(source, target) == 0;
}

#include "core/Log.h"

namespace {

LogSink sink = nullptr;

}  // namespace

void setLogSink(LogSink newSink) {
    sink = newSink;
}

bool logging() {
    return sink != nullptr;
}

void logLine(const std::string& text) {
    if (sink)
        sink(text);
}

// The log of a run: UTF-8 text, one line per event with a time stamp,
// written as the run goes (each line flushed), so that a run that ends
// early leaves what it did. A log that cannot be written changes nothing of
// the run.
#pragma once

#include <string>

// Where the lines go: set by the program when it was asked for a log;
// without one, logLine does nothing.
using LogSink = void (*)(const std::string& line);
void setLogSink(LogSink sink);

bool logging();
void logLine(const std::string& text);

#include "core/win32/LogWin32.h"

#include <windows.h>

#include <cstdio>

#include "core/Log.h"
#include "core/PathText.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"

namespace {

std::FILE* logFile = nullptr;

// "2026-12-09 04:40:01.123 text", in local time.
void writeLine(const std::string& text) {
    if (!logFile)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::fprintf(logFile, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s\n", now.wYear, now.wMonth, now.wDay, now.wHour,
                 now.wMinute, now.wSecond, now.wMilliseconds, text.c_str());
    std::fflush(logFile);
}

}  // namespace

bool openLogFile(const std::string& path, const char* defaultName) {
    const std::string file = path.empty() ? joinPath(tempFolder(), defaultName) : path;
    logFile = _wfopen(toWide(file).c_str(), L"ab");
    if (!logFile)
        return false;
    setLogSink(writeLine);
    return true;
}

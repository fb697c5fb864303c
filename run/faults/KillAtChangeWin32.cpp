// The test build's fault point: INSTALL_KILL_AT in the environment says
// "before K" or "after K", and the process ends there with exit code 86,
// nothing cleaned up, as if it had been killed.
#include <windows.h>

#include <cwchar>

#include "run/faults/FaultPoint.h"

namespace {

constexpr UINT kKilledExitCode = 86;

struct KillAt {
    int change = 0;
    bool made = false;
};

KillAt killAt() {
    KillAt at;
    wchar_t text[64] = {};
    if (GetEnvironmentVariableW(L"INSTALL_KILL_AT", text, 64) == 0)
        return at;
    wchar_t when[16] = {};
    if (std::swscanf(text, L"%15ls %d", when, &at.change) != 2)
        at.change = 0;
    at.made = std::wcscmp(when, L"after") == 0;
    return at;
}

}  // namespace

bool journalWanted() {
    return GetEnvironmentVariableW(L"INSTALL_NO_JOURNAL", nullptr, 0) == 0;
}

void atJournaledChange(int change, bool made) {
    static const KillAt at = killAt();
    if (at.change == change && at.made == made)
        TerminateProcess(GetCurrentProcess(), kKilledExitCode);
}

// The every-k fault loop of the host tests: an operation on files, run once
// cleanly, is run again for every call of every file operation that the
// clean run made, with that one call failing.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/HostPlatform.h"

// clean is the platform after the clean run (its call counts); prepare puts
// the files back and resets the platform; check runs the operation with the
// fault set and checks what it left.
inline void forEachFileFault(const HostPlatform& clean, const std::function<void()>& prepare,
                             const std::function<void(FileOp)>& check) {
    for (int index = 0; index < kFileOpCount; ++index) {
        const FileOp op = static_cast<FileOp>(index);
        for (int k = 1; k <= clean.faults[index].calls; ++k) {
            SCOPED_TRACE("operation " + std::to_string(index) + ", call " + std::to_string(k));
            prepare();
            hostPlatform().fault(op).failAt = k;
            check(op);
        }
    }
}

// A FILE* that is closed when its holder goes, on every path, and the fault
// seam of the file layer of the word-list and settings code.
#pragma once

#include <cerrno>
#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The file operations that can fail.
enum class FileOp { Open, Read, Write, Close, Replace, Remove };
constexpr int kFileOpCount = 6;

// Whether this call of the operation is to fail as a full disk, a read
// error or a locked file would make it. Always false in the installer; the
// host tests use it to fail the k-th call of an operation.
bool fileFault(FileOp op);

// fopen; an injected failure leaves errno as a locked file would.
inline FilePtr openFile(const char* name, const char* mode) {
    if (fileFault(FileOp::Open)) {
        errno = EACCES;
        return nullptr;
    }
    return FilePtr(std::fopen(name, mode));
}

// Flushes and closes a file that was written; false when anything of it
// may not have reached the disk. The file is released in every case.
inline bool closeWritten(FilePtr& file) {
    std::FILE* raw = file.release();
    bool ok = !fileFault(FileOp::Close);
    ok = std::fflush(raw) == 0 && !std::ferror(raw) && ok;
    ok = std::fclose(raw) == 0 && ok;
    return ok;
}

// The file layer of the installer's core: a FILE* that is closed when its
// holder goes, and every open, read, write, close, remove and replace of the
// script reader, the language list, the word-list builder and the settings
// file. Each operation asks the fault seam first, so that the host tests can
// fail any one call of it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The file operations that can fail.
enum class FileOp { Open, Read, Write, Close, Replace, Remove };
constexpr int kFileOpCount = 6;

// --- fault seam ---
// Whether this call of the operation is to fail as a full disk, a read
// error or a locked file would make it. Always false in the installer; the
// host tests use it to fail the k-th call of an operation.
bool fileFault(FileOp op);

// --- platform seam ---
// Replaces target by source in one step (target never missing). Returns
// false when it could not; source is left in place then.
bool systemReplaceFile(const char* source, const char* target);
// fopen of a name in UTF-8 (on Windows through the wide call, so that no
// name passes through the ANSI code page).
std::FILE* systemOpenFile(const char* name, const char* mode);

// --- operations ---
// fopen; an injected failure leaves errno as a locked file would.
FilePtr openFile(const char* name, const char* mode);

// Flushes and closes a file that was written; false when anything of it
// may not have reached the disk. The file is released in every case.
bool closeWritten(FilePtr& file);

// The size of an open file in bytes, the file left at its start; -1 when it
// cannot be determined.
long fileSize(std::FILE* file);

// Whether all count items of size bytes were read, or written.
bool readItems(void* items, std::size_t size, std::size_t count, std::FILE* file);
bool writeItems(const void* items, std::size_t size, std::size_t count, std::FILE* file);

// One fgets read of at most size - 1 characters.
enum class ReadResult { Line, End, Error };
ReadResult readPiece(std::FILE* file, char* buf, int size);

// fputs; false when the text was not written whole.
bool writeText(std::FILE* file, const char* text);

// Whether a file (not a folder) of that name is there now.
bool fileExists(const char* name);

// The size in bytes of the file of that name; -1 when there is none.
long long fileSizeOf(const char* name);

// Deletes a file; false when it is still there or never was.
bool removeFile(const char* name);

// systemReplaceFile behind the fault seam.
bool replaceFile(const char* source, const char* target);

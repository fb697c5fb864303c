// The file layer of the installer's core: a FILE* that is closed when its
// holder goes, and every open, read, write, close, remove and replace of the
// script reader, the language list, the word-list builder and the settings
// file. Each operation asks the fault seam first, so that the host tests can
// fail any one call of it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

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
// The same three for a file named relative to a root folder (the target
// directory; an empty root is the current directory). On Windows no link
// (junction, symbolic link, mount point) is followed on the way from the
// root or at the file itself, and only a file whose final path lies under
// the root is opened, replaced or removed; a link in the way fails the call
// with errno ELOOP. The hosts join the names and call the plain operations.
std::FILE* systemOpenInside(const char* root, const char* relative, const char* mode);
bool systemReplaceInside(const char* root, const char* source, const char* target);
bool systemRemoveInside(const char* root, const char* relative);
// A target that another program holds open: source, renamed to waiting
// (beside the target, a name that is free), takes its place at the next
// restart. False when the target is not held or the replacement cannot be
// arranged; nothing is changed then. The hosts hold no file.
bool systemReplaceAtRestart(const char* root, const std::string& source, const std::string& target,
                            const std::string& waiting);
// Whether another program holds the file (named relative to root) so that
// it can be neither replaced nor removed now. The hosts hold no file.
bool systemFileHeld(const char* root, const std::string& relative);

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

// --- files under a root folder ---
// The seam's operations on a file named relative to root, behind the fault
// seam: what the installer writes, reads back or deletes in the target
// directory goes through these.
FilePtr openInside(const char* root, const std::string& relative, const char* mode);
bool replaceInside(const char* root, const std::string& source, const std::string& target);
bool removeInside(const char* root, const std::string& relative);

// Whether the last failed operation under a root met a link in its way.
bool metLink();

// A file being written under a root, removed again unless it was finished:
// every way out of a writer that fails, the unwinding of a fatal error
// included, leaves no partial file behind. A file it never opened (one that
// could not be created, or was there and could not be opened) is left alone.
class PendingFile {
public:
    PendingFile(const char* root, std::string relative) : root_(root), relative_(std::move(relative)) {}
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // openInside; false when it could not be opened.
    bool open(const char* mode);
    std::FILE* get() const { return file_.get(); }
    FilePtr& stream() { return file_; }
    // closeWritten; the file is still removed unless finished.
    bool close() { return closeWritten(file_); }
    // The file stays (or has been moved away by a replace).
    void finish() { opened_ = false; }
    // Closes and removes the file now, for a way out that may not unwind.
    void discard();
    const std::string& name() const { return relative_; }

private:
    std::string root_;
    std::string relative_;
    FilePtr file_;
    bool opened_ = false;
};

// The full name of a file under root (the name itself for an empty root),
// for the log, the record and the questions about a file's size.
std::string insidePath(const char* root, const std::string& relative);

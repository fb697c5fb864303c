// The Windows side of the file layer's operations under a root: each name
// is reached by an InsideWalk, so that no link is followed on the way or at
// the file, and the file is opened, renamed or deleted through the handle
// that was judged.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/FileLayer.h"
#include "core/WideText.h"
#include "core/win32/InUseWin32.h"
#include "core/win32/NoLinkFileWin32.h"

namespace {

constexpr DWORD kAllSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// errno for a failed reach, as the C library would set it.
int errnoOf(const ReachedItem& item) {
    switch (item.outcome) {
    case Reach::Link:
        return ELOOP;
    case Reach::NotThere:
        return ENOENT;
    default:
        return EACCES;
    }
}

// A file (never a folder) reached in its place; errno tells why not.
ReachedItem reachFile(const InsideWalk& walk, DWORD access, DWORD share, DWORD disposition) {
    ReachedItem item = walk.open(access, share, disposition);
    if (item.outcome != Reach::Reached) {
        errno = errnoOf(item);
        item.handle.reset();
    } else if (item.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        errno = EACCES;
        item.handle.reset();
    }
    return item;
}

// The handle as a C stream of the mode, which then owns it; null when the
// C library cannot take it (the handle is closed then).
std::FILE* streamOf(FileHandle handle, bool writing, bool binary, const char* mode) {
    const int flags = (writing ? _O_WRONLY : _O_RDONLY) | (binary ? _O_BINARY : _O_TEXT);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), flags);
    if (fd == -1)
        return nullptr;
    handle.release();
    std::FILE* file = _fdopen(fd, mode);
    if (!file)
        _close(fd);
    return file;
}

}  // namespace

// Only the modes the installer uses: "r" and "w", text or binary. A file
// written is opened without being emptied, judged, and only then emptied
// through its handle; a read-only file is refused as Windows refuses it
// (not every platform does).
std::FILE* systemOpenInside(const char* root, const char* relative, const char* mode) {
    const bool writing = mode[0] == 'w';
    if ((mode[0] != 'r' && !writing) || std::strpbrk(mode, "+a")) {
        errno = EINVAL;
        return nullptr;
    }
    const InsideWalk walk(root, relative);
    ReachedItem item = reachFile(walk, writing ? GENERIC_WRITE | FILE_READ_ATTRIBUTES : GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, writing ? OPEN_ALWAYS : OPEN_EXISTING);
    if (!item.handle)
        return nullptr;
    if (writing && ((item.attributes & FILE_ATTRIBUTE_READONLY) || !SetEndOfFile(item.handle.get()))) {
        errno = EACCES;
        return nullptr;
    }
    return streamOf(std::move(item.handle), writing, std::strchr(mode, 'b') != nullptr, mode);
}

// The source is renamed through its own handle over the target, which must
// be no link and not read-only; both names lie in folders the walks hold.
bool systemReplaceInside(const char* root, const char* source, const char* target) {
    const InsideWalk from(root, source), to(root, target);
    ReachedItem moved = reachFile(from, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kAllSharing, OPEN_EXISTING);
    if (!moved.handle)
        return false;
    ReachedItem replaced = to.open(FILE_READ_ATTRIBUTES | SYNCHRONIZE, kAllSharing, OPEN_EXISTING);
    if (replaced.outcome != Reach::Reached && replaced.outcome != Reach::NotThere) {
        errno = errnoOf(replaced);
        return false;
    }
    if (replaced.outcome == Reach::Reached &&
        (replaced.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        errno = EACCES;
        return false;
    }
    replaced.handle.reset();
    if (!renameThroughHandle(moved.handle.get(), to.path(), true)) {
        errno = EACCES;
        return false;
    }
    return true;
}

// A read-only file is refused as Windows refuses it.
bool systemRemoveInside(const char* root, const char* relative) {
    const InsideWalk walk(root, relative);
    ReachedItem item = reachFile(walk, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kAllSharing, OPEN_EXISTING);
    if (!item.handle)
        return false;
    if ((item.attributes & FILE_ATTRIBUTE_READONLY) || !deleteThroughHandle(item.handle.get())) {
        errno = EACCES;
        return false;
    }
    return true;
}

// The source is renamed through the replace above, onto a name that must be
// free, and the move onto the held target waits for the restart.
bool systemFileHeld(const char* root, const std::string& relative) {
    return fileHeld(insidePath(root, relative));
}

bool systemReplaceAtRestart(const char* root, const std::string& source, const std::string& target,
                            const std::string& waiting) {
    const std::string held = insidePath(root, target);
    if (!fileHeld(held) || GetFileAttributesW(toWide(insidePath(root, waiting)).c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    if (!systemReplaceInside(root, source.c_str(), waiting.c_str()))
        return false;
    if (moveAtRestart(insidePath(root, waiting), held))
        return true;
    systemReplaceInside(root, waiting.c_str(), source.c_str());
    return false;
}

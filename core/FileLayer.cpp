#include "core/FileLayer.h"

#include "core/PathText.h"

#include <filesystem>

#include <cerrno>

FilePtr openFile(const char* name, const char* mode) {
    if (fileFault(FileOp::Open)) {
        errno = EACCES;
        return nullptr;
    }
    return FilePtr(systemOpenFile(name, mode));
}

bool closeWritten(FilePtr& file) {
    std::FILE* raw = file.release();
    bool ok = !fileFault(FileOp::Close);
    ok = std::fflush(raw) == 0 && !std::ferror(raw) && ok;
    ok = std::fclose(raw) == 0 && ok;
    return ok;
}

long fileSize(std::FILE* file) {
    if (fileFault(FileOp::Read) || std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long size = std::ftell(file);
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

bool readItems(void* items, std::size_t size, std::size_t count, std::FILE* file) {
    if (fileFault(FileOp::Read))
        return false;
    return std::fread(items, size, count, file) == count;
}

bool writeItems(const void* items, std::size_t size, std::size_t count, std::FILE* file) {
    if (fileFault(FileOp::Write))
        return false;
    return std::fwrite(items, size, count, file) == count;
}

ReadResult readPiece(std::FILE* file, char* buf, int size) {
    if (fileFault(FileOp::Read))
        return ReadResult::Error;
    if (std::fgets(buf, size, file))
        return ReadResult::Line;
    return std::ferror(file) ? ReadResult::Error : ReadResult::End;
}

bool writeText(std::FILE* file, const char* text) {
    if (fileFault(FileOp::Write))
        return false;
    return std::fputs(text, file) >= 0;
}

// Names are UTF-8: std::filesystem takes them as such on every system. A
// name that is no UTF-8 names no file.
namespace {

bool asPath(const char* name, std::filesystem::path& path) {
    try {
        path = std::filesystem::u8path(name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

bool fileExists(const char* name) {
    std::filesystem::path path;
    std::error_code error;
    return asPath(name, path) && std::filesystem::is_regular_file(path, error);
}

long long fileSizeOf(const char* name) {
    std::filesystem::path path;
    std::error_code error;
    if (!asPath(name, path))
        return -1;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

bool removeFile(const char* name) {
    if (fileFault(FileOp::Remove))
        return false;
    std::filesystem::path path;
    std::error_code error;
    return asPath(name, path) && std::filesystem::remove(path, error) && !error;
}

bool replaceFile(const char* source, const char* target) {
    if (fileFault(FileOp::Replace))
        return false;
    return systemReplaceFile(source, target);
}

FilePtr openInside(const char* root, const std::string& relative, const char* mode) {
    if (fileFault(FileOp::Open)) {
        errno = EACCES;
        return nullptr;
    }
    return FilePtr(systemOpenInside(root, relative.c_str(), mode));
}

bool replaceInside(const char* root, const std::string& source, const std::string& target) {
    if (fileFault(FileOp::Replace))
        return false;
    return systemReplaceInside(root, source.c_str(), target.c_str());
}

bool removeInside(const char* root, const std::string& relative) {
    if (fileFault(FileOp::Remove))
        return false;
    return systemRemoveInside(root, relative.c_str());
}

bool metLink() {
    return errno == ELOOP;
}

std::string insidePath(const char* root, const std::string& relative) {
    const std::string folder = root;
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
        return folder + relative;
    return joinPath(folder, relative);
}

PendingFile::~PendingFile() {
    discard();
}

void PendingFile::discard() {
    file_.reset();
    if (opened_)
        removeInside(root_.c_str(), relative_);
    opened_ = false;
}

bool PendingFile::open(const char* mode) {
    file_ = openInside(root_.c_str(), relative_, mode);
    opened_ = opened_ || file_ != nullptr;
    return file_ != nullptr;
}

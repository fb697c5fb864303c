#include "base/FileLayer.h"

#include <sys/stat.h>

#include <cerrno>

FilePtr openFile(const char* name, const char* mode) {
    if (fileFault(FileOp::Open)) {
        errno = EACCES;
        return nullptr;
    }
    return FilePtr(std::fopen(name, mode));
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

bool fileExists(const char* name) {
    struct stat info;
    return stat(name, &info) == 0 && !S_ISDIR(info.st_mode);
}

bool removeFile(const char* name) {
    if (fileFault(FileOp::Remove))
        return false;
    return std::remove(name) == 0;
}

bool replaceFile(const char* source, const char* target) {
    if (fileFault(FileOp::Replace))
        return false;
    return systemReplaceFile(source, target);
}

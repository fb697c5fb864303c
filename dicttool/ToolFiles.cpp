#include "dicttool/ToolFiles.h"

#include <cstdio>
#include <string>

#include "dicttool/Platform.h"

std::string readWholeFile(const std::string& path) {
    if (pathKind(path) == PathKind::Folder)
        throw ToolError("cannot read " + path + ": it is a folder");
    FilePtr file = openFile(path.c_str(), "rb");
    if (!file)
        throw ToolError("cannot read " + path + ": " + systemError());
    const long size = fileSize(file.get());
    if (size < 0)
        throw ToolError("cannot read " + path + ": its size cannot be told");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !readItems(&bytes[0], 1, bytes.size(), file.get()))
        throw ToolError("cannot read " + path + ": " + systemError());
    return bytes;
}

OutputFile::OutputFile(std::string path)
    : path_(std::move(path)), partial_(path_ + ".dicttool-" + std::to_string(processId()) + ".part") {
    if (pathKind(path_) == PathKind::Folder)
        throw ToolError("cannot write " + path_ + ": it is a folder");
    file_ = openFile(partial_.c_str(), "wb");
    if (!file_)
        throw ToolError("cannot write " + path_ + ": " + systemError());
}

OutputFile::~OutputFile() {
    if (committed_)
        return;
    file_.reset();
    removeFile(partial_.c_str());
}

const std::string& OutputFile::close() {
    if (file_ && !closeWritten(file_))
        throw ToolError("cannot write " + path_ + ": " + systemError());
    return partial_;
}

void OutputFile::commit() {
    close();
    if (!replaceFile(partial_.c_str(), path_.c_str()))
        throw ToolError("cannot replace " + path_ + ": " + systemError());
    committed_ = true;
}

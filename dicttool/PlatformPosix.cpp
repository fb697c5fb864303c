// The tool's file system on POSIX hosts. Names on disk are taken to be
// UTF-8.
#include "dicttool/Platform.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/FileLayer.h"
#include "core/CodePage.h"

PathKind pathKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return PathKind::Missing;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.c_str()), ::closedir);
    if (!folder)
        return false;
    entries.clear();
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        bool isLink = entry->d_type == DT_LNK;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            isLink = ::lstat((path + "/" + name).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
        }
        if (entry->d_type == DT_UNKNOWN || isLink)
            isFolder = pathKind(path + "/" + name) == PathKind::Folder;
        entries.push_back({name, isFolder, isLink});
    }
    return true;
}

std::string joinNativePath(const std::string& folder, const std::string& name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    for (char c : name)
        path += c == '\\' ? '/' : c;
    return path;
}

std::string absolutePath(const std::string& path) {
    return !path.empty() && path[0] == '/' ? path : joinNativePath(currentFolder(), path);
}

std::string resolvedPath(const std::string& path) {
    const std::string absolute = absolutePath(path);
    if (char* real = ::realpath(absolute.c_str(), nullptr)) {
        const std::string resolved = real;
        std::free(real);
        return resolved;
    }
    const std::string::size_type slash = absolute.find_last_of('/');
    const std::string parent = slash == 0 ? "/" : absolute.substr(0, slash);
    if (slash == std::string::npos || parent == absolute)
        return absolute;
    return joinNativePath(resolvedPath(parent), absolute.substr(slash + 1));
}

std::string parentFolder(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool fileDetails(const std::string& path, std::uint32_t& attributes, std::int64_t& modified) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    attributes = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) ? 0 : 0x1;
    constexpr std::int64_t kEpochSeconds = 11644473600LL;  // 1601 to 1970
    modified = (static_cast<std::int64_t>(info.st_mtim.tv_sec) + kEpochSeconds) * 10000000 + info.st_mtim.tv_nsec / 100;
    return true;
}

int runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t child = 0;
    if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool makeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool removeFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

bool linkOrCopyFile(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0)
        return true;
    FilePtr in = openFile(from.c_str(), "rb");
    FilePtr out = in ? openFile(to.c_str(), "wb") : nullptr;
    if (!out)
        return false;
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        if (std::fwrite(buffer, 1, n, out.get()) != n)
            return false;
    return !std::ferror(in.get()) && closeWritten(out);
}

std::string currentFolder() {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool changeFolder(const std::string& path) {
    return ::chdir(path.c_str()) == 0;
}

std::string nativeName(const std::string& text) {
    return text;
}

std::string textName(const std::string& native) {
    return decodeText(native, kUtf8CodePage);
}

std::string systemError() {
    return std::strerror(errno);
}

bool isTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

unsigned useUtf8Console() {
    return 0;
}

void restoreConsole(unsigned) {}

int processId() {
    return static_cast<int>(::getpid());
}

std::vector<std::string> commandArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

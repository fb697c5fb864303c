// The tool's file system on Windows: the ANSI file interface, its names
// converted from and to UTF-8 in the system's ANSI code page.
#include <windows.h>

#include <direct.h>
#include <io.h>

#include <cerrno>
#include <cstring>

#include "base/CodePage.h"
#include "base/HandlesWin32.h"
#include "dicttool/Platform.h"

PathKind pathKind(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAA data;
    ScopedFind search(joinNativePath(path, "*").c_str(), data);
    if (!search.found()) {
        const DWORD error = GetLastError();
        entries.clear();
        return error == ERROR_FILE_NOT_FOUND && pathKind(path) == PathKind::Folder;
    }
    entries.clear();
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (search.next(data));
    return true;
}

std::string joinNativePath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/' || folder.back() == ':')
        return folder + name;
    return folder + "\\" + name;
}

std::string absolutePath(const std::string& path) {
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

std::string parentFolder(const std::string& path) {
    const std::string::size_type cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return path.size() == 2 && path[1] == ':' ? path : ".";
    return cut == 0 || (cut == 2 && path[1] == ':') ? path.substr(0, cut + 1) : path.substr(0, cut);
}

bool makeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool removeFolder(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != 0;
}

bool linkOrCopyFile(const std::string& from, const std::string& to) {
    return CreateHardLinkA(to.c_str(), from.c_str(), nullptr) || CopyFileA(from.c_str(), to.c_str(), TRUE);
}

std::string currentFolder() {
    const std::string current = currentDirectory();
    return current.empty() ? "." : current;
}

bool changeFolder(const std::string& path) {
    return SetCurrentDirectoryA(path.c_str()) != 0;
}

std::string nativeName(const std::string& text) {
    std::string ansi, unwritable;
    return toAnsi(text, ansi, unwritable) ? ansi : text;
}

std::string textName(const std::string& native) {
    return decodeText(native, kAnsiCodePage);
}

// The C library's message when it set errno, else the system's.
std::string systemError() {
    const DWORD code = GetLastError();
    char text[512] = "";
    if (code != 0 && FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                    text, sizeof text, nullptr)) {
        std::string message = text;
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
            message.pop_back();
        return message;
    }
    return std::strerror(errno);
}

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

unsigned useUtf8Console() {
    const UINT saved = GetConsoleOutputCP();
    if (saved != 0)
        SetConsoleOutputCP(CP_UTF8);
    return saved;
}

void restoreConsole(unsigned saved) {
    if (saved != 0)
        SetConsoleOutputCP(saved);
}

int processId() {
    return static_cast<int>(GetCurrentProcessId());
}

// The tool's file system on Windows: names are UTF-8 inside and wide at
// every call, so that no name passes through the ANSI code page.
#include <windows.h>

#include <shellapi.h>

#include <direct.h>
#include <io.h>
#include <process.h>

#include <cerrno>
#include <cstring>

#include "core/CodePage.h"
#include "core/win32/HandlesWin32.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"
#include "dicttool/Platform.h"

PathKind pathKind(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(toWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    ScopedFind search(joinNativePath(path, "*"));
    if (!search.found()) {
        const DWORD error = search.error();
        entries.clear();
        return error == ERROR_FILE_NOT_FOUND && pathKind(path) == PathKind::Folder;
    }
    entries.clear();
    do {
        const std::string name = search.name();
        if (name == "." || name == "..")
            continue;
        entries.push_back({name, search.isFolder(), (search.attributes() & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (search.next());
    return true;
}

std::string joinNativePath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/' || folder.back() == ':')
        return folder + name;
    return folder + "\\" + name;
}

std::string absolutePath(const std::string& path) {
    return fullPathOf(path);
}

std::string resolvedPath(const std::string& path) {
    return fullPathOf(path);
}

std::string parentFolder(const std::string& path) {
    const std::string::size_type cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return path.size() == 2 && path[1] == ':' ? path : ".";
    return cut == 0 || (cut == 2 && path[1] == ':') ? path.substr(0, cut + 1) : path.substr(0, cut);
}

bool fileDetails(const std::string& path, std::uint32_t& attributes, std::int64_t& modified) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(toWide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    attributes = data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                         data.ftLastWriteTime.dwLowDateTime);
    return true;
}

namespace {

// An argument as the C library of the started program splits it back out
// of the command line: quoted, its quotes and the backslashes before them
// escaped.
std::string quotedArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace

int runProgram(const std::vector<std::string>& arguments) {
    std::vector<std::string> quoted;
    for (const std::string& argument : arguments)
        quoted.push_back(quotedArgument(argument));
    std::vector<const char*> argv;
    for (const std::string& argument : quoted)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    const intptr_t status = _spawnvp(_P_WAIT, arguments[0].c_str(), argv.data());
    return status == -1 ? -1 : static_cast<int>(status);
}

bool makeFolder(const std::string& path) {
    return CreateDirectoryW(toWide(path).c_str(), nullptr) != 0;
}

bool removeFolder(const std::string& path) {
    return RemoveDirectoryW(toWide(path).c_str()) != 0;
}

bool linkOrCopyFile(const std::string& from, const std::string& to) {
    const std::wstring wideFrom = toWide(from), wideTo = toWide(to);
    return CreateHardLinkW(wideTo.c_str(), wideFrom.c_str(), nullptr) || CopyFileW(wideFrom.c_str(), wideTo.c_str(), TRUE);
}

std::string currentFolder() {
    const std::string current = currentDirectory();
    return current.empty() ? "." : current;
}

bool changeFolder(const std::string& path) {
    return SetCurrentDirectoryW(toWide(path).c_str()) != 0;
}

// Native names are UTF-8 here too: every call is wide.
std::string nativeName(const std::string& text) {
    return text;
}

std::string textName(const std::string& native) {
    return native;
}

std::vector<std::string> commandArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide && i < count; ++i)
        arguments.push_back(toUtf8(wide[i]));
    if (wide)
        LocalFree(wide);
    return arguments;
}

// The C library's message when it set errno, else the system's.
std::string systemError() {
    const DWORD code = GetLastError();
    if (code != 0) {
        std::string message = systemMessage(code);
        while (!message.empty() && message.back() == '.')
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

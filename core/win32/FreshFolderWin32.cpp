#include "core/win32/FreshFolderWin32.h"

#include <windows.h>

#include <ntsecapi.h>

#include <cstdio>

#include "core/win32/FolderAccessWin32.h"
#include "core/win32/HandlesWin32.h"
#include "core/PathText.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"

namespace {

constexpr int kFolderAttempts = 100;
constexpr const char* kFreshFolderAccess = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";

// 64 bits from the system's generator, so that no one can make the name
// first; empty when the generator fails.
std::string randomPart() {
    unsigned char bytes[8];
    if (!RtlGenRandom(bytes, sizeof bytes))
        return {};
    char text[sizeof bytes * 2 + 1];
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
    return text;
}

}  // namespace

std::string makeFreshTempFolder(const char* prefix) {
    const std::string temp = tempFolder();
    SecurityAttributes attributes(kFreshFolderAccess);
    if (temp.empty() || !attributes.get())
        return {};
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const std::string random = randomPart();
        if (random.empty())
            return {};
        const std::string folder = joinPath(temp, std::string(prefix) + "-" + random);
        if (CreateDirectoryW(toWide(folder).c_str(), attributes.get()))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

bool removeFolderTree(const std::string& folder) {
    bool whole = true;
    {
        ScopedFind search(joinPath(folder, "*"));
        if (search.found()) {
            do {
                const std::string name = search.name();
                if (name == "." || name == "..")
                    continue;
                const std::string path = joinPath(folder, name);
                const std::wstring wide = toWide(path);
                SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
                const bool link = (search.attributes() & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                if (search.isFolder() && !link)
                    whole = removeFolderTree(path) && whole;
                else if (search.isFolder())
                    whole = RemoveDirectoryW(wide.c_str()) && whole;
                else
                    whole = DeleteFileW(wide.c_str()) && whole;
            } while (search.next());
        }
    }
    return RemoveDirectoryW(toWide(folder).c_str()) && whole;
}

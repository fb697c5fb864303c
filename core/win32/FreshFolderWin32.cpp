#include "core/win32/FreshFolderWin32.h"

#include <windows.h>

#include <sddl.h>

#include <cstdio>

#include "core/win32/HandlesWin32.h"
#include "core/PathText.h"
#include "core/win32/TextWin32.h"
#include "core/WideText.h"

namespace {

constexpr int kFolderAttempts = 100;
constexpr const wchar_t* kFreshFolderAccess = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";

}  // namespace

std::string makeFreshTempFolder(const char* prefix) {
    const std::string temp = tempFolder();
    if (temp.empty())
        return {};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kFreshFolderAccess, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return {};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    std::string made;
    for (int attempt = 0; attempt < kFolderAttempts && made.empty(); ++attempt) {
        char name[120];
        std::snprintf(name, sizeof name, "%s-%lu-%lu-%d", prefix, static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(GetTickCount()), attempt);
        const std::string folder = joinPath(temp, name);
        if (CreateDirectoryW(toWide(folder).c_str(), &attributes))
            made = folder;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    LocalFree(descriptor);
    return made;
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

// UTF-8 text at the Win32 calls that take or give a window's text, show a
// box or name a system error: each converts at the call and nowhere else.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "core/WideText.h"
#include "core/win32/HandlesWin32.h"

inline std::string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return toUtf8(text.data());
}

inline void setWindowText(HWND window, const std::string& text) {
    SetWindowTextW(window, toWide(text).c_str());
}

inline int showMessageBox(HWND owner, const std::string& text, const char* caption, UINT flags) {
    return MessageBoxW(owner, toWide(text).c_str(), toWide(caption).c_str(), flags);
}

// "File not found" and "path not found": the name is simply not there (any
// other failure to reach it is one to report).
inline bool isNotThere(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The system's text for an error, without its line end.
inline std::string systemMessage(DWORD error) {
    wchar_t text[512] = L"";
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        text, 512, nullptr);
    std::string message = length > 0 && length < 512 ? toUtf8(std::wstring(text, length)) : std::string();
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "Error " + std::to_string(error) : message;
}

// The full path of a name taken relative to the current directory; the
// name itself when the system cannot say.
inline std::string fullPathOf(const std::string& name) {
    const std::wstring wide = toWide(name);
    const std::wstring full =
        grownText([&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(wide.c_str(), size, buffer, nullptr); });
    return full.empty() ? name : toUtf8(full);
}

// The file-system path of a shell item list; empty when it has none (the
// call answers only whether the path fitted).
inline std::wstring itemListPath(PCIDLIST_ABSOLUTE list) {
    return grownText([&](wchar_t* buffer, DWORD size) -> DWORD {
        return SHGetPathFromIDListEx(list, buffer, size, GPFIDL_DEFAULT) ? static_cast<DWORD>(wcslen(buffer)) : size;
    });
}

// The temporary folder, with its backslash; empty when the system cannot say.
inline std::string tempFolder() {
    return toUtf8(grownText([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); }));
}

// This program's own file; empty when its path cannot be read whole (a
// path cut short is answered with the buffer's whole size).
inline std::string ownProgramPath() {
    return toUtf8(grownText([](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); }));
}

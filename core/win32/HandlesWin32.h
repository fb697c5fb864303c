// Holders for Win32 resources, so that no path leaks a handle, a device
// context or a GDI object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/WideText.h"

// "Call, grow the buffer, call again", for every call that fills a wide
// buffer: fill(buffer, size) answers the characters it wrote, fewer than
// size, or, when they did not fit, a number of at least size (the size it
// needs, or size itself). The buffer grows until the answer fits; empty
// when the call fails (answers 0) or the text would pass 32,768 characters,
// the longest path the system has.
template <typename Fill>
std::wstring grownText(Fill fill) {
    constexpr DWORD kLongest = 32768;
    std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD got = fill(buffer.data(), size);
        if (got < size)
            return std::wstring(buffer.data(), got);
        if (size > kLongest)
            return {};
        buffer.assign(got > size ? got + 1 : size * 2, L'\0');
    }
}

// One movable holder for every kind of handle: a traits type names the
// handle's type, its invalid value and how it is closed, and the holder
// closes a valid handle exactly once (when it goes, is reset or is assigned
// another). A holder cannot be copied, only moved.
template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type value) : value_(value) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }
    // Gives the handle up without closing it.
    Type release() {
        Type value = value_;
        value_ = Traits::invalid();
        return value;
    }
    void reset(Type value = Traits::invalid()) {
        if (valid())
            Traits::close(value_);
        value_ = value;
    }
    // The address for a call that fills the handle in; the old one is closed.
    Type* put() {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::invalid();
};

// A file, folder or snapshot handle: invalid as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type handle) { CloseHandle(handle); }
};
// A kernel object (process, thread, token, event): invalid as null.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type handle) { CloseHandle(handle); }
};
struct RegistryKeyTraits {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static void close(Type key) { RegCloseKey(key); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type handle) { FindClose(handle); }
};
// A pen, brush or font.
template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static Type invalid() { return nullptr; }
    static void close(Type object) { DeleteObject(object); }
};
// Memory the system allocated with LocalAlloc for the caller.
template <typename T>
struct LocalMemoryTraits {
    using Type = T;
    static Type invalid() { return nullptr; }
    static void close(Type memory) { LocalFree(memory); }
};
// Memory the shell allocated with CoTaskMemAlloc (an item list, a path).
template <typename T>
struct TaskMemoryTraits {
    using Type = T;
    static Type invalid() { return nullptr; }
    static void close(Type memory) { CoTaskMemFree(memory); }
};
// A hook of this thread.
struct HookTraits {
    using Type = HHOOK;
    static Type invalid() { return nullptr; }
    static void close(Type hook) { UnhookWindowsHookEx(hook); }
};
template <typename T>
struct ComInterfaceTraits {
    using Type = T*;
    static Type invalid() { return nullptr; }
    static void close(Type pointer) { pointer->Release(); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
template <typename T>
using GdiObject = UniqueHandle<GdiObjectTraits<T>>;
template <typename T>
using LocalMemory = UniqueHandle<LocalMemoryTraits<T>>;
template <typename T>
using TaskMemory = UniqueHandle<TaskMemoryTraits<T>>;
using WindowsHook = UniqueHandle<HookTraits>;

// A COM interface pointer: the holder with -> and the void** that
// CoCreateInstance and QueryInterface fill in.
template <typename T>
class ComPtr : public UniqueHandle<ComInterfaceTraits<T>> {
public:
    T* operator->() const { return this->get(); }
    void** putVoid() { return reinterpret_cast<void**>(this->put()); }
};

// Selects an object into a device context and selects the previous one back.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelectObject() {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's device context, released when the holder goes, is reset or is
// assigned another; movable, not copyable.
class ScopedGetDC {
public:
    ScopedGetDC() = default;
    explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedGetDC() { reset(); }
    ScopedGetDC(ScopedGetDC&& other) noexcept : window_(other.window_), dc_(other.dc_) { other.dc_ = nullptr; }
    ScopedGetDC& operator=(ScopedGetDC&& other) noexcept {
        if (this != &other) {
            reset();
            window_ = other.window_;
            dc_ = other.dc_;
            other.dc_ = nullptr;
        }
        return *this;
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    HDC get() const { return dc_; }
    void reset() {
        if (dc_)
            ReleaseDC(window_, dc_);
        dc_ = nullptr;
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// A find-first/find-next search over a pattern (UTF-8), with why it found
// nothing or ended; the current entry's name comes back as UTF-8.
class ScopedFind {
public:
    explicit ScopedFind(const std::string& pattern)
        : handle_(FindFirstFileW(toWide(pattern).c_str(), &data_)), error_(handle_ ? 0 : GetLastError()) {}
    bool found() const { return handle_.valid(); }
    // The next entry; false at the end of the list or on an error, which
    // error() then holds (ERROR_NO_MORE_FILES at the end).
    bool next() {
        if (FindNextFileW(handle_.get(), &data_))
            return true;
        error_ = GetLastError();
        return false;
    }
    std::string name() const { return toUtf8(data_.cFileName); }
    DWORD attributes() const { return data_.dwFileAttributes; }
    bool isFolder() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // Why the search found nothing, or why the listing ended.
    DWORD error() const { return error_; }

private:
    WIN32_FIND_DATAW data_{};
    FindHandle handle_;
    DWORD error_;
};

// The current directory, whole whatever its length; empty when it cannot be
// read.
inline std::string currentDirectory() {
    return toUtf8(grownText([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); }));
}

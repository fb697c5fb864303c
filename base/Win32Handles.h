// Small holders for Win32 resources, so that no path leaks a handle, a
// device context or a GDI object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A GDI object (pen, brush, font) deleted when the holder goes.
template <typename T>
class GdiObject {
public:
    explicit GdiObject(T object = nullptr) : object_(object) {}
    ~GdiObject() {
        if (object_)
            DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T get() const { return object_; }

private:
    T object_;
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

// A window's device context, released when the holder goes.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedGetDC() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A find-first/find-next search handle.
class ScopedFind {
public:
    ScopedFind(const char* pattern, WIN32_FIND_DATAA& data)
        : handle_(FindFirstFileA(pattern, &data)), error_(handle_ == INVALID_HANDLE_VALUE ? GetLastError() : 0) {}
    ~ScopedFind() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;
    bool found() const { return handle_ != INVALID_HANDLE_VALUE; }
    // The next entry; false at the end of the list or on an error, which
    // error() then holds (ERROR_NO_MORE_FILES at the end).
    bool next(WIN32_FIND_DATAA& data) {
        if (FindNextFileA(handle_, &data))
            return true;
        error_ = GetLastError();
        return false;
    }
    // Why the search found nothing, or why the listing ended.
    DWORD error() const { return error_; }

private:
    HANDLE handle_;
    DWORD error_;
};

// A kernel handle (process, token) closed when the holder goes.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_)
            CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// A COM interface pointer, released when the holder goes. put() hands its
// address to the call that fills it.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    void** put() {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void reset() {
        if (pointer_)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    T* pointer_ = nullptr;
};

// The current directory, whole whatever its length; empty when it cannot be
// read.
inline std::string currentDirectory() {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return {};
    std::vector<char> buffer(needed + 1, '\0');
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size())
        return {};
    return std::string(buffer.data(), length);
}

// The handle holders release each kind of handle exactly once: when they
// go, when reset, and when a moved-to holder goes; an invalid value (null, or
// INVALID_HANDLE_VALUE for a file) is never closed.
#include <windows.h>

#include <unknwn.h>

#include <gtest/gtest.h>

#include <utility>

#include "core/win32/HandlesWin32.h"

namespace {

bool kernelOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

// An interface that counts its references.
struct Counted : IUnknown {
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

}  // namespace

TEST(Handles, EachKindIsReleasedOnceAndInvalidValuesNever) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        KernelHandle first(event);
        KernelHandle second(std::move(first));
        EXPECT_FALSE(first.valid());
        EXPECT_TRUE(kernelOpen(event));
    }
    EXPECT_FALSE(kernelOpen(event)) << "a kernel handle outlived its holder";

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string path = std::string(temp) + "handles-test.tmp";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    { FileHandle held(file); }
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the file handle was not closed";
    { FileHandle none(INVALID_HANDLE_VALUE); EXPECT_FALSE(none.valid()); }
    EXPECT_FALSE(FileHandle(CreateFileA("Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));

    RegistryKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    HKEY raw = key.get();
    key.reset();
    DWORD subkeys = 0;
    EXPECT_NE(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS)
        << "the registry key was not closed";

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    { GdiObject<HBRUSH> held(brush); }
    EXPECT_EQ(GetObjectType(brush), 0u) << "the brush was not deleted";

    { ScopedFind search(std::string(temp) + "*"); EXPECT_TRUE(search.found()); }
    ScopedFind nothing("Z:\\no\\such\\folder\\*");
    EXPECT_FALSE(nothing.found());
    EXPECT_EQ(nothing.error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    Counted object;
    {
        ComPtr<IUnknown> first;
        *first.putVoid() = &object;
        ComPtr<IUnknown> second;
        second = std::move(first);
    }
    EXPECT_EQ(object.references, 0u) << "the interface was released other than once";
}

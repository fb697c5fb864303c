// The payload's seam on Windows: SHA-256 from the system's cryptography
// (BCrypt, since Vista), files through the wide interface so that any path
// the system can hold works (the user's temporary folder and downloads may
// have names outside the ANSI code page).
#include <windows.h>

#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <vector>

#include "core/win32/HandlesWin32.h"
#include "payload/PayloadSeams.h"

namespace {

// UTF-8 as UTF-16 for the wide calls; empty for text that is not UTF-8.
std::wstring wide(const std::string& utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), &text[0], length);
    return text;
}

// A C stream over a file handle; the handle is closed with the stream, or
// here when no stream can be made.
FilePtr streamOf(HANDLE handle, int flags, const char* mode) {
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd == -1) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, mode);
    if (!file)
        _close(fd);
    return FilePtr(file);
}

// bcrypt.dll is no KnownDLL: imported by the program, it would be looked
// for first in the folder the setup file was downloaded to, before the
// program's first line restricts the search. It is loaded from the system
// folder by its full path when first needed.
struct BCryptCalls {
    decltype(&BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
    decltype(&BCryptGetProperty) getProperty = nullptr;
    decltype(&BCryptCreateHash) createHash = nullptr;
    decltype(&BCryptHashData) hashData = nullptr;
    decltype(&BCryptFinishHash) finishHash = nullptr;
    decltype(&BCryptDestroyHash) destroyHash = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
};

template <typename T>
bool load(HMODULE module, const char* name, T& call) {
    call = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return call != nullptr;
}

BCryptCalls loadBCrypt() {
    BCryptCalls calls;
    const std::wstring folder =
        grownText([](wchar_t* buffer, DWORD size) -> DWORD { return GetSystemDirectoryW(buffer, size); });
    if (folder.empty())
        return calls;
    const std::wstring path = folder + L"\\bcrypt.dll";
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module || !load(module, "BCryptOpenAlgorithmProvider", calls.openAlgorithm) ||
        !load(module, "BCryptGetProperty", calls.getProperty) || !load(module, "BCryptCreateHash", calls.createHash) ||
        !load(module, "BCryptHashData", calls.hashData) || !load(module, "BCryptFinishHash", calls.finishHash) ||
        !load(module, "BCryptDestroyHash", calls.destroyHash) ||
        !load(module, "BCryptCloseAlgorithmProvider", calls.closeAlgorithm))
        calls.openAlgorithm = nullptr;
    return calls;  // the library stays loaded for the process
}

const BCryptCalls& bcrypt() {
    static const BCryptCalls calls = loadBCrypt();
    return calls;
}

// The name the system reports for the file mapped at address, as the
// kernel knows it ("\Device\HarddiskVolume2\dl\setup.exe", or "\??\C:\..."),
// read with the call GetMappedFileName makes, present since the first NT.
std::wstring mappedFileName(const void* address) {
    using QueryMemory = LONG(WINAPI*)(HANDLE, const void*, int, void*, SIZE_T, SIZE_T*);
    const auto query = reinterpret_cast<QueryMemory>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryVirtualMemory")));
    if (!query)
        return {};
    constexpr int kMappedFileName = 2;  // MemoryMappedFilenameInformation
    struct NameText {
        USHORT length, capacity;
        wchar_t* text;
    };
    std::vector<unsigned char> buffer(4096);
    for (;;) {
        SIZE_T needed = 0;
        const LONG status = query(GetCurrentProcess(), address, kMappedFileName, buffer.data(), buffer.size(), &needed);
        if (status == 0) {
            const NameText* name = reinterpret_cast<const NameText*>(buffer.data());
            return std::wstring(name->text, name->length / sizeof(wchar_t));
        }
        // Too small (STATUS_BUFFER_OVERFLOW, STATUS_INFO_LENGTH_MISMATCH): once more with the size asked for.
        if (needed <= buffer.size() || needed > 0x20000)
            return {};
        buffer.resize(needed);
    }
}

// A kernel name as a path the wide file calls take: "\??\" is the drives'
// own folder, any other name is reached through the kernel's root.
std::wstring openableName(const std::wstring& kernelName) {
    if (kernelName.compare(0, 4, L"\\??\\") == 0)
        return L"\\\\?\\" + kernelName.substr(4);
    return kernelName.empty() || kernelName[0] != L'\\' ? std::wstring() : L"\\\\?\\GLOBALROOT" + kernelName;
}

// Whether the open file is the one mapped as this program's image: the file
// mapped as an image once more, and the system asked whether both views
// come from the same file. A file that is no program cannot be mapped so.
bool isRunningImage(HANDLE file) {
    using SameFiles = LONG(WINAPI*)(const void*, const void*);
    const auto same = reinterpret_cast<SameFiles>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtAreMappedFilesTheSame")));
    if (!same)
        return false;
    const KernelHandle section(CreateFileMappingW(file, nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr));
    if (!section)
        return false;
    void* view = MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 0);
    if (!view)
        return false;
    const bool itIs = same(GetModuleHandleW(nullptr), view) == 0;
    UnmapViewOfFile(view);
    return itIs;
}

}  // namespace

struct Sha256State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    std::vector<UCHAR> object;  // Vista wants the caller's memory for the hash object
};

void Sha256Deleter::operator()(Sha256State* state) const {
    if (state->hash)
        bcrypt().destroyHash(state->hash);
    if (state->algorithm)
        bcrypt().closeAlgorithm(state->algorithm, 0);
    delete state;
}

Sha256Ptr startSha256() {
    const BCryptCalls& calls = bcrypt();
    if (!calls.openAlgorithm)
        return nullptr;
    Sha256Ptr state(new Sha256State);
    DWORD objectSize = 0, written = 0;
    if (!BCRYPT_SUCCESS(calls.openAlgorithm(&state->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(calls.getProperty(state->algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                          sizeof objectSize, &written, 0)))
        return nullptr;
    state->object.resize(objectSize);
    if (!BCRYPT_SUCCESS(calls.createHash(state->algorithm, &state->hash, state->object.data(), objectSize, nullptr, 0, 0)))
        return nullptr;
    return state;
}

bool addSha256(Sha256State& state, const void* bytes, std::size_t count) {
    const UCHAR* at = static_cast<const UCHAR*>(bytes);
    while (count > 0) {
        const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(count, 1u << 30));
        if (!BCRYPT_SUCCESS(bcrypt().hashData(state.hash, const_cast<UCHAR*>(at), piece, 0)))
            return false;
        at += piece;
        count -= piece;
    }
    return true;
}

bool finishSha256(Sha256State& state, Sha256Digest& digest) {
    return BCRYPT_SUCCESS(bcrypt().finishHash(state.hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
}

FilePtr openReadOnly(const std::string& path) {
    const std::wstring name = wide(path);
    if (name.empty())
        return nullptr;
    return streamOf(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr),
                    _O_RDONLY | _O_BINARY, "rb");
}

// Opened with reading shared and nothing else: while the payload is read,
// the file can be neither written nor renamed nor deleted, so the checks
// below hold for every byte read through the handle.
FilePtr openRunningImage(std::string& why) {
    const std::wstring name = openableName(mappedFileName(GetModuleHandleW(nullptr)));
    if (name.empty()) {
        why = "the system does not name the file of the running program";
        return nullptr;
    }
    // Execute access too: an image section of the file is made from it below.
    HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | FILE_EXECUTE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        why = "the file of the running program cannot be opened";
        return nullptr;
    }
    if (!isRunningImage(handle)) {
        CloseHandle(handle);
        why = "the file under the running program's name is not the program that runs: it was renamed or "
              "replaced after it was started";
        return nullptr;
    }
    return streamOf(handle, _O_RDONLY | _O_BINARY, "rb");
}

FilePtr createNewFile(const std::string& path) {
    const std::wstring name = wide(path);
    if (name.empty())
        return nullptr;
    return streamOf(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                    _O_WRONLY | _O_BINARY, "wb");
}

bool makeNewFolder(const std::string& path) {
    const std::wstring name = wide(path);
    return !name.empty() && CreateDirectoryW(name.c_str(), nullptr) != 0;
}

bool finishEntry(const std::string& path, std::uint32_t attributes, std::int64_t modified) {
    const std::wstring name = wide(path);
    if (name.empty())
        return false;
    if (modified != 0) {
        HANDLE handle = CreateFileW(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        const FileHandle holder(handle);
        FILETIME time;
        time.dwLowDateTime = static_cast<DWORD>(modified & 0xFFFFFFFF);
        time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(modified) >> 32);
        if (!SetFileTime(handle, nullptr, nullptr, &time))
            return false;
    }
    const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (kept == 0)
        return true;
    const DWORD now = GetFileAttributesW(name.c_str());
    return now != INVALID_FILE_ATTRIBUTES && SetFileAttributesW(name.c_str(), now | kept) != 0;
}

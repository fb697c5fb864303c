// The single-installation lock: one installation at a time, and no user but
// an administrator able to make every installation end as "another one is
// running" (1618) by creating the lock's name first.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "app/App.h"
#include "core/FolderTrust.h"
#include "core/Log.h"
#include "core/WideText.h"
#include "core/win32/FolderAccessWin32.h"

namespace {

// A private namespace that only members of the Administrators can create,
// and the lock's name in it.
constexpr const wchar_t* kNamespaceName = L"DictionaryInstaller";
constexpr const wchar_t* kLockName = L"DictionaryInstaller\\Running";
// Where the system makes no such namespace (or the run is no
// administrator's): in the session's namespace of every user ("Global").
constexpr const wchar_t* kGlobalLockName = L"Global\\DictionaryInstallerRunning";
constexpr const char* kNamespaceAccess = "D:(A;;GA;;;SY)(A;;GA;;;BA)";

// The namespace bound to the Administrators, made or opened; null where the
// system has none or the run may not make one.
HANDLE openAdministratorsNamespace() {
    HANDLE boundary = CreateBoundaryDescriptorW(kNamespaceName, 0);
    if (!boundary)
        return nullptr;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    HANDLE space = nullptr;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
        AddSIDToBoundaryDescriptor(&boundary, sid)) {
        SecurityAttributes attributes(kNamespaceAccess);
        space = CreatePrivateNamespaceW(attributes.get(), boundary, kNamespaceName);
        if (!space && GetLastError() == ERROR_ALREADY_EXISTS)
            space = OpenPrivateNamespaceW(boundary, kNamespaceName);
    }
    DeleteBoundaryDescriptor(boundary);
    return space;
}

// A lock of the Global namespace counts only when an administrator, SYSTEM
// or this very account made it: any other user can make that name. Where
// the system keeps no owner of it (Wine), it counts.
bool madeByTrustedAccount(HANDLE lock) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(lock, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return true;
    bool trusted = owner == nullptr;
    for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof sid;
        trusted = trusted || (CreateWellKnownSid(type, nullptr, sid, &size) && EqualSid(owner, sid));
    }
    wchar_t* ownerText = nullptr;
    if (!trusted && ConvertSidToStringSidW(owner, &ownerText)) {
        trusted = toUtf8(ownerText) == processUserSid();
        LocalFree(ownerText);
    }
    LocalFree(descriptor);
    return trusted;
}

// The Global lock; true when this run holds it or may go on without it.
bool takeGlobalLock(InstallationLock& lock) {
    lock.mutex.reset(CreateMutexW(nullptr, FALSE, kGlobalLockName));
    const DWORD error = GetLastError();
    if (lock.mutex && error == ERROR_ALREADY_EXISTS) {
        if (madeByTrustedAccount(lock.mutex.get())) {
            lock.mutex.reset();
            return false;
        }
        logLine("the installation lock was made by another user: it is not honoured");
        lock.mutex.reset();
        return true;
    }
    if (lock.mutex || error != ERROR_ACCESS_DENIED)
        return true;
    // Denied even its name: another account's run holds it, unless this
    // run is elevated, which any genuine run's lock lets in.
    if (!processElevated())
        return false;
    logLine("the installation lock is closed to administrators: it is not honoured");
    return true;
}

}  // namespace

// A namespace that the system makes but in which no lock can be made
// (Wine's) counts as none.
bool takeInstallationLock(InstallationLock& lock) {
    lock.space.reset(processElevated() ? openAdministratorsNamespace() : nullptr);
    if (lock.space) {
        lock.mutex.reset(CreateMutexW(nullptr, FALSE, kLockName));
        const DWORD error = GetLastError();
        if (lock.mutex && error == ERROR_ALREADY_EXISTS) {
            lock.mutex.reset();
            return false;
        }
        if (lock.mutex)
            return true;
        lock.space.reset();
    }
    return takeGlobalLock(lock);
}

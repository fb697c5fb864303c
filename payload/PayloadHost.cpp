// The payload's seam on hosts other than Windows: SHA-256 from libcrypto,
// files through POSIX calls. Opens and creations ask the file layer's
// fault seam first, so that the host tests can fail them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <cerrno>

#include "payload/PayloadSeams.h"

struct Sha256State {
    EVP_MD_CTX* context = nullptr;
};

void Sha256Deleter::operator()(Sha256State* state) const {
    EVP_MD_CTX_free(state->context);
    delete state;
}

Sha256Ptr startSha256() {
    Sha256Ptr state(new Sha256State);
    state->context = EVP_MD_CTX_new();
    if (!state->context || EVP_DigestInit_ex(state->context, EVP_sha256(), nullptr) != 1)
        return nullptr;
    return state;
}

bool addSha256(Sha256State& state, const void* bytes, std::size_t count) {
    return EVP_DigestUpdate(state.context, bytes, count) == 1;
}

bool finishSha256(Sha256State& state, Sha256Digest& digest) {
    unsigned int length = 0;
    return EVP_DigestFinal_ex(state.context, digest.data(), &length) == 1 && length == digest.size();
}

FilePtr openReadOnly(const std::string& path) {
    if (fileFault(FileOp::Open)) {
        errno = EACCES;
        return nullptr;
    }
    return FilePtr(std::fopen(path.c_str(), "rb"));
}

// The hosts read their own image through the link the system keeps to it.
FilePtr openRunningImage(std::string& why) {
    FilePtr file = openReadOnly("/proc/self/exe");
    if (!file)
        why = "its own image cannot be opened";
    return file;
}

FilePtr createNewFile(const std::string& path) {
    if (fileFault(FileOp::Open)) {
        errno = EACCES;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file)
        ::close(fd);
    return FilePtr(file);
}

bool makeNewFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

// Hidden and system have no meaning here; the time is set without
// following a link.
bool finishEntry(const std::string& path, std::uint32_t, std::int64_t modified) {
    if (modified == 0)
        return true;
    constexpr std::int64_t kTicksPerSecond = 10000000, kEpochSeconds = 11644473600LL;  // 1601 to 1970
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(modified / kTicksPerSecond - kEpochSeconds);
    times[1].tv_nsec = static_cast<long>(modified % kTicksPerSecond * 100);
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// The payload's platform seam: SHA-256, and the files the payload is read
// from and extracted into. One declaration each; the Windows definitions
// (payload/PayloadWin32.cpp) use BCrypt and the wide file interface, the
// host ones (payload/PayloadHost.cpp) libcrypto and POSIX calls. Paths are
// UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/FileLayer.h"

// --- SHA-256 ---

using Sha256Digest = std::array<unsigned char, 32>;

struct Sha256State;  // each platform's own
struct Sha256Deleter {
    void operator()(Sha256State* state) const;
};
using Sha256Ptr = std::unique_ptr<Sha256State, Sha256Deleter>;

// A new hash; null when the system provides none.
Sha256Ptr startSha256();
bool addSha256(Sha256State& state, const void* bytes, std::size_t count);
bool finishSha256(Sha256State& state, Sha256Digest& digest);

// The digest in upper-case hexadecimal.
std::string sha256Hex(const Sha256Digest& digest);

// --- files ---

// Opens a file to read, binary. On Windows no one may write it while it is
// open.
FilePtr openReadOnly(const std::string& path);

// Opens the program file that runs as this process's image: the file the
// system maps, found by the name the system reports for the mapping, not by
// the path the program was started by. On Windows no one may write, rename
// or delete it while it is open, and it is checked to be the very file of
// the running image. Null when it cannot be opened or is another file; why
// then says what went wrong.
FilePtr openRunningImage(std::string& why);

// Creates a new file to write, binary; fails when anything (a file, a
// folder, a link) has that name already, so nothing existing is followed or
// overwritten.
FilePtr createNewFile(const std::string& path);

// Creates a new folder; fails when the name is taken.
bool makeNewFolder(const std::string& path);

// Gives a closed file or a folder its modified time (when not 0) and its
// hidden and system attributes.
bool finishEntry(const std::string& path, std::uint32_t attributes, std::int64_t modified);

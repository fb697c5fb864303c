#include "tests/fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void removeScratch();

// Every run creates and removes files: in memory (/dev/shm) they cost a
// small part of what they cost on a disk.
fs::path scratchParent() {
    if (access("/dev/shm", W_OK | X_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

// The folder libFuzzer was started in, and a fresh folder under the
// system's temporary folder, both fixed on first use. Each fuzzing process
// has its own scratch folder, so parallel processes never share files.
struct Folders {
    std::string origin;
    std::string scratch;
};

// Never destroyed: the exit handler that removes the scratch folder runs
// after the destructors of statics made later than its registration.
const Folders& folders() {
    static const Folders* const made = [] {
        auto* f = new Folders;
        f->origin = fs::current_path().string();
        std::string pattern = (scratchParent() / "installer-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        f->scratch = pattern;
        fs::create_directory(fs::path(f->scratch) / "language");
        std::atexit(removeScratch);
        return f;
    }();
    return *made;
}

void removeScratch() {
    std::error_code ignored;
    fs::remove_all(folders().scratch, ignored);
}

void enter(const std::string& folder) {
    if (chdir(folder.c_str()) != 0) {
        std::perror(folder.c_str());
        std::abort();
    }
}

}  // namespace

ScratchFolder::ScratchFolder() {
    enter(folders().scratch);
}

ScratchFolder::~ScratchFolder() {
    enter(folders().origin);
}

void ScratchFolder::clear() {
    const fs::path root = folders().scratch;
    std::error_code ignored;
    for (const auto& item : fs::directory_iterator(root, ignored))
        fs::remove_all(item.path(), ignored);
    fs::create_directory(root / "language");
}

void writeWholeFile(const char* name, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(name, "wb");
    if (!file) {
        std::perror(name);
        std::abort();
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        std::perror(name);
        std::abort();
    }
}

std::string readWholeFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void invariantFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

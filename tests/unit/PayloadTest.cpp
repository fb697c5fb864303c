// The setup file's payload: written and read back by the same code, found in
// unsigned and signed programs of both PE kinds, and refused, never half
// extracted in silence, when it is cut short, changed or crafted to escape.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "payload/Payload.h"
#include "tests/support/FakeProgram.h"
#include "tests/support/FileFaults.h"
#include "tests/support/ScratchDirTest.h"

namespace fs = std::filesystem;

namespace {

using fake::put;

void write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    writeFile(path.c_str(), bytes);
}

std::string randomBytes(std::size_t count) {
    std::mt19937 random(21);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() % 7);  // compressible, and over several buffers
    return bytes;
}

// The medium the round trip carries: a script, an empty file, a file of
// several read buffers, a name in UTF-8 and a nested folder.
const std::vector<std::pair<std::string, std::string>> kMedium = {
    {"install.inf", "title Payload\r\ncopy readme.txt readme.txt\r\n"},
    {"empty.txt", ""},
    {"language/itaeng.wb", randomBytes(300000)},
    {"caff\xC3\xA8.txt", "accented"},
    {"sounds/deep/a.wav", "RIFF"},
};

// program followed by the payload of kMedium, as setup.exe.
std::string bundle(const std::string& program) {
    for (const auto& file : kMedium)
        write("medium/" + file.first, file.second);
    FilePtr out = openFile("setup.exe", "wb");
    EXPECT_TRUE(writeItems(program.data(), 1, program.size(), out.get()));
    PayloadWriter writer;
    EXPECT_EQ(startPayload(writer, out.get(), program.size()), PayloadFault::None);
    for (const char* folder : {"language", "sounds", "sounds/deep"})
        EXPECT_EQ(addPayloadFolder(writer, {folder}), PayloadFault::None);
    for (const auto& file : kMedium) {
        FilePtr data = openFile(("medium/" + file.first).c_str(), "rb");
        EXPECT_EQ(addPayloadFile(writer, {file.first, false, 0, 132223104000000000LL}, data.get()), PayloadFault::None)
            << writer.detail;
    }
    EXPECT_EQ(finishPayload(writer), PayloadFault::None);
    EXPECT_TRUE(closeWritten(out));
    return readFile("setup.exe");
}

PayloadFault locate(const std::string& bytes, PayloadLocation& location) {
    return findPayload(memoryReader(bytes), bytes.size(), location);
}

// Puts a new SHA-256 into a payload whose bytes a test changed, so that
// only the reader's other rules can refuse it.
void reseal(std::string& bytes, const PayloadLocation& at) {
    Sha256Ptr hash = startSha256();
    Sha256Digest digest{};
    addSha256(*hash, bytes.data() + at.start, at.size - 40);
    finishSha256(*hash, digest);
    bytes.replace(at.start + at.size - 40, 32, reinterpret_cast<const char*>(digest.data()), 32);
}

PayloadFault openBytes(const std::string& bytes, PayloadReader& reader) {
    writeFile("copy.exe", bytes);
    return openPayload("copy.exe", reader);
}

using PayloadTest = ScratchDirTest;

}  // namespace

TEST_F(PayloadTest, RoundTripsTheMediumInUnsignedAndSignedProgramsOfBothKinds) {
    for (const bool pe32Plus : {false, true}) {
        SCOPED_TRACE(pe32Plus ? "PE32+, signed" : "PE32, unsigned");
        const std::string setup = pe32Plus ? signedCopy(bundle(fakeProgram(true))) : bundle(fakeProgram(false));
        PayloadReader reader;
        ASSERT_EQ(openBytes(setup, reader), PayloadFault::None) << reader.detail;
        EXPECT_EQ(reader.location.beforeSignature, pe32Plus);
        EXPECT_EQ(reader.location.start, 0x400u);
        EXPECT_EQ((reader.location.start + reader.location.size) % 8, 0u) << "a signing tool adds no padding";
        ASSERT_EQ(reader.entries.size(), 3 + kMedium.size());
        EXPECT_EQ(reader.entries[0].path, "language");
        EXPECT_TRUE(reader.entries[0].isFolder);

        fs::remove_all("out");
        fs::create_directory("out");
        ASSERT_EQ(extractPayload(reader, "out"), PayloadFault::None) << reader.detail;
        for (const auto& file : kMedium) {
            EXPECT_EQ(readFile(("out/" + file.first).c_str()), file.second) << file.first;
            struct stat info {};
            ASSERT_EQ(stat(("out/" + file.first).c_str(), &info), 0);
            EXPECT_EQ(info.st_mtime, 1577836800) << "2020-01-01, as the index says";
        }
        std::string script;
        ASSERT_EQ(readPayloadFile(reader, reader.entries[3], 1000, script), PayloadFault::None);
        EXPECT_EQ(script, kMedium[0].second);
        EXPECT_EQ(readPayloadFile(reader, reader.entries[5], 1000, script), PayloadFault::TooLarge);
    }
}

TEST_F(PayloadTest, FindsThePayloadOnlyWhereTheFileHoldsItWhole) {
    const std::string plain = fakeProgram(false);
    const std::string setup = bundle(plain);
    const std::string signedSetup = signedCopy(bundle(fakeProgram(true)));
    const struct {
        const char* name;
        std::string bytes;
        PayloadFault expected;
    } cases[] = {
        {"a text file", std::string(2000, 'x'), PayloadFault::NotProgram},
        {"the plain installer", plain, PayloadFault::NoPayload},
        {"the plain installer, signed", signedCopy(plain), PayloadFault::NoPayload},
        {"a setup file", setup, PayloadFault::None},
        {"a signed setup file", signedSetup, PayloadFault::None},
        {"a setup file cut short by one byte", setup.substr(0, setup.size() - 1), PayloadFault::Damaged},
        {"a signed one cut short by one byte", signedSetup.substr(0, signedSetup.size() - 1), PayloadFault::Damaged},
        {"a signed one with a byte after its signature", signedSetup + "x", PayloadFault::Damaged},
        {"a payload put in after signing", signedCopy(plain) + setup.substr(plain.size()), PayloadFault::Damaged},
        {"the installer with other bytes after it", plain + "appended", PayloadFault::Damaged},
        {"a setup file cut to its image", setup.substr(0, 0x3FF), PayloadFault::Damaged},
    };
    for (const auto& c : cases) {
        PayloadLocation location;
        EXPECT_EQ(locate(c.bytes, location), c.expected) << c.name;
    }

    // One byte of the data, of the index or of the trailer's sizes changed:
    // the trailer no longer holds together, or the SHA-256 is not the one
    // it carries.
    PayloadLocation at;
    ASSERT_EQ(locate(setup, at), PayloadFault::None);
    for (const std::uint64_t offset : {at.start + 10, at.start + at.indexOffset + 3, at.start + at.size - 60}) {
        std::string changed = setup;
        changed[offset] ^= 0x01;
        PayloadReader reader;
        EXPECT_EQ(openBytes(changed, reader), PayloadFault::Damaged) << "byte " << offset;
    }
}

TEST_F(PayloadTest, RefusesIndexPathsThatCouldLeaveTheFolder) {
    const struct {
        std::string path;
        bool valid;
    } paths[] = {
        {"install.inf", true},     {"sounds/a b.wav", true},   {"caff\xC3\xA8.txt", true},
        {"", false},               {"/etc/passwd", false},     {"../evil", false},
        {"a/../../evil", false},   {"a//b", false},            {"./a", false},
        {"c:evil", false},         {"a.txt:stream", false},    {"a\\..\\evil", false},
        {"...", false},            {".. ", false},             {"a/b.", false},
        {"NUL", false},            {"com1.txt", false},        {"lpt9 .log", false},
        {"a\x01", false},          {"a?b", false},             {std::string(1025, 'a'), false},
    };
    for (const auto& p : paths)
        EXPECT_EQ(validEntryPath(p.path), p.valid) << p.path;

    // A payload with a correct SHA-256 whose index a test made hostile is
    // still refused before anything is made.
    const std::string setup = bundle(fakeProgram(false));
    PayloadLocation at;
    ASSERT_EQ(locate(setup, at), PayloadFault::None);
    const std::size_t name = setup.find("sounds/deep/a.wav", at.start + at.indexOffset);
    ASSERT_NE(name, std::string::npos);
    for (const char* hostile : {"../../../../../..", "/etc/cron.d/evil1", "sounds/deep/c:\\ab", "sounds/deep/a:b.w"}) {
        std::string changed = setup;
        changed.replace(name, 17, hostile);
        reseal(changed, at);
        PayloadReader reader;
        EXPECT_EQ(openBytes(changed, reader), PayloadFault::Damaged) << hostile;
        EXPECT_TRUE(reader.entries.size() < kMedium.size() + 3);
    }

    // A declared size one byte short of, or over, what the stream gives is
    // found while extracting, and reported.
    PayloadReader reader;
    ASSERT_EQ(openBytes(setup, reader), PayloadFault::None);
    const PayloadEntry& wordList = reader.entries[5];
    ASSERT_EQ(wordList.path, "language/itaeng.wb");
    // The size field lies before dataOffset, dataSize and the path's length.
    const std::size_t sizeAt = setup.find("language/itaeng.wb", at.start + at.indexOffset) - 2 - 8 * 3;
    for (const int delta : {-1, +1}) {
        std::string changed = setup;
        put(changed, sizeAt, static_cast<std::uint32_t>(wordList.size + delta), 4);
        reseal(changed, at);
        PayloadReader tampered;
        ASSERT_EQ(openBytes(changed, tampered), PayloadFault::None);
        fs::remove_all("out");
        fs::create_directory("out");
        EXPECT_EQ(extractPayload(tampered, "out"), PayloadFault::Damaged) << delta;
        EXPECT_EQ(tampered.detail, "language/itaeng.wb");
    }

    // The writer holds to the same rules.
    PayloadWriter writer;
    FilePtr out = openFile("w.bin", "wb");
    ASSERT_EQ(startPayload(writer, out.get(), 0), PayloadFault::None);
    EXPECT_EQ(addPayloadFolder(writer, {"a/b"}), PayloadFault::BadEntry) << "before its folder";
    EXPECT_EQ(addPayloadFolder(writer, {"A"}), PayloadFault::None);
    EXPECT_EQ(addPayloadFolder(writer, {"a"}), PayloadFault::BadEntry) << "twice, without case";
    EXPECT_EQ(addPayloadFolder(writer, {"a/.."}), PayloadFault::BadEntry);
}

TEST_F(PayloadTest, EveryFailedFileOperationIsReported) {
    bundle(fakeProgram(false));
    const auto run = [] {
        fs::remove_all("out");
        fs::create_directory("out");
        PayloadReader reader;
        const PayloadFault fault = openPayload("setup.exe", reader);
        return fault != PayloadFault::None ? fault : extractPayload(reader, "out");
    };
    resetHostPlatform();
    ASSERT_EQ(run(), PayloadFault::None);
    const HostPlatform clean = hostPlatform();
    forEachFileFault(clean, [] { resetHostPlatform(); },
                     [&run](FileOp) { EXPECT_NE(run(), PayloadFault::None); });
}

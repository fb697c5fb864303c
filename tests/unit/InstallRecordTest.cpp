// The install record uninstall.dat: what is written reads back the same,
// a second installation merges into the first, and a record that is
// missing, cut short, damaged or planted is refused whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/InstallRecord.h"
#include "base/InstallState.h"
#include "tests/support/FileFaults.h"
#include "tests/support/ScratchDirTest.h"

namespace fs = std::filesystem;

namespace {

const char* const kPrograms = "C:\\Users\\me\\Start Menu\\Programs";
const char* const kCommonPrograms = "C:\\ProgramData\\Start Menu\\Programs";

RecordRoots roots() {
    return {"C:\\Dict\\", {kPrograms, kCommonPrograms}};
}

InstallRecord sample() {
    InstallRecord r;
    r.title = "Sample Italian Dictionary";
    r.target = "C:\\Dict";
    r.directories = {"C:\\Dict", "C:\\Dict\\language", std::string(kPrograms) + "\\Sample"};
    r.files = {"C:\\Dict\\readme.txt", "C:\\Dict\\language\\ita.wb", std::string(kPrograms) + "\\Sample\\Dict.lnk"};
    r.iniKeys = {{"ItalianAviDelay", false, ""}, {"Font", true, "Times New Roman"}, {"Empty", true, ""}};
    r.createdIniSection = true;
    return r;
}

void expectSame(const InstallRecord& a, const InstallRecord& b) {
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.target, b.target);
    EXPECT_EQ(a.directories, b.directories);
    EXPECT_EQ(a.files, b.files);
    ASSERT_EQ(a.iniKeys.size(), b.iniKeys.size());
    for (std::size_t i = 0; i < a.iniKeys.size(); ++i) {
        EXPECT_EQ(a.iniKeys[i].key, b.iniKeys[i].key);
        EXPECT_EQ(a.iniKeys[i].hadValue, b.iniKeys[i].hadValue);
        EXPECT_EQ(a.iniKeys[i].previous, b.iniKeys[i].previous);
    }
    EXPECT_EQ(a.createdIniSection, b.createdIniSection);
}

// Lines sealed with a correct end line, as a deliberate planter would.
std::string sealed(const std::vector<std::string>& lines) {
    std::uint32_t sum = 2166136261u;
    std::string text;
    for (const std::string& line : lines) {
        for (unsigned char c : line + "\n") {
            sum ^= c;
            sum *= 16777619u;
        }
        text += line + "\n";
    }
    char end[64];
    std::snprintf(end, sizeof end, "end %zu %08x\n", lines.size(), static_cast<unsigned>(sum));
    return text + end;
}

std::string withEntry(const std::string& entry) {
    return sealed({"record 1", "title T", "target C:\\Dict", "file C:\\Dict\\readme.txt", entry});
}

RecordFault readText(const std::string& text, InstallRecord& out, std::string& detail) {
    writeFile(kRecordName, text);
    return readInstallRecord(kRecordName, roots(), out, detail);
}

}  // namespace

class InstallRecordTest : public ScratchDirTest {};

TEST_F(InstallRecordTest, WrittenRecordReadsBackAsTextAPersonCanRead) {
    ASSERT_TRUE(writeInstallRecord(sample(), kRecordName, kRecordScratchName));
    const std::string text = readFile(kRecordName);
    for (const char* line : {"\ntitle Sample Italian Dictionary\n", "\ndir C:\\Dict\\language\n",
                             "\nfile C:\\Dict\\readme.txt\n", "\nini [Dictionary] ItalianAviDelay\n",
                             "\nini [Dictionary] Font=Times New Roman\n", "\nsection [Dictionary] new\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_FALSE(fs::exists(kRecordScratchName));

    InstallRecord read;
    std::string detail;
    ASSERT_EQ(readInstallRecord(kRecordName, roots(), read, detail), RecordFault::None) << detail;
    expectSame(read, sample());
    // Line ends as an editor on Windows would save them change nothing.
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_EQ(readText(crlf, read, detail), RecordFault::None) << detail;
}

// Every cut of a good record is refused as cut short; every other fault
// is refused too, and a refused record hands back nothing to remove.
TEST_F(InstallRecordTest, MissingTruncatedDamagedAndPlantedRecordsAreRefused) {
    InstallRecord read;
    std::string detail;
    EXPECT_EQ(readInstallRecord("absent.dat", roots(), read, detail), RecordFault::Missing);

    ASSERT_TRUE(writeInstallRecord(sample(), kRecordName, kRecordScratchName));
    const std::string good = readFile(kRecordName);
    for (std::size_t cut = 0; cut < good.size(); cut += cut + 40 < good.size() ? 7 : 1) {
        ASSERT_EQ(readText(good.substr(0, cut), read, detail), RecordFault::Truncated) << "cut at " << cut;
        EXPECT_TRUE(read.files.empty() && read.directories.empty() && read.iniKeys.empty());
    }

    std::string flipped = good;
    flipped[flipped.find("readme")] = 'R';
    const std::string p = kPrograms;
    const struct {
        std::string text;
        RecordFault fault;
    } cases[] = {
        {flipped, RecordFault::Damaged},
        {good + "file C:\\Dict\\more.txt\n", RecordFault::Damaged},
        {sealed({"record 2", "target C:\\Dict"}), RecordFault::Damaged},
        {sealed({"record 1", "file C:\\Dict\\a", "target C:\\Dict"}), RecordFault::Damaged},
        {withEntry("erase C:\\Dict\\readme.txt"), RecordFault::Damaged},
        {withEntry("ini [Dictionary] =x"), RecordFault::Damaged},
        {withEntry("ini Dictionary Font=x"), RecordFault::Damaged},
        {withEntry("section [Dictionary] old"), RecordFault::Damaged},
        {std::string(3000, 'x') + "\n" + good, RecordFault::Damaged},
        {std::string(2, '\0') + good, RecordFault::Damaged},
        {sealed({"record 1", "target D:\\Other", "file D:\\Other\\a"}), RecordFault::ForeignTarget},
        {withEntry("file C:\\Windows\\win.ini"), RecordFault::Planted},
        {withEntry("file C:\\Dict\\..\\Windows\\win.ini"), RecordFault::Planted},
        {withEntry("dir C:\\Dict\\language\\.."), RecordFault::Planted},
        {withEntry("file D:\\Dict\\readme.txt"), RecordFault::Planted},
        {withEntry("dir C:\\Dict2"), RecordFault::Planted},
        {withEntry("file C:\\Dict"), RecordFault::Planted},
        {withEntry("file C:\\Dict\\"), RecordFault::Planted},
        {withEntry("file C:\\Dict\\readme.txt:stream"), RecordFault::Planted},
        {withEntry("file C:\\Dict\\*.*"), RecordFault::Planted},
        {withEntry("file C:\\Dict\\x. "), RecordFault::Planted},
        {withEntry("file C:/Dict/readme.txt"), RecordFault::Planted},
        {withEntry("file \\\\server\\share\\Dict\\a"), RecordFault::Planted},
        {withEntry("file readme.txt"), RecordFault::Planted},
        {withEntry("dir " + p), RecordFault::Planted},
        {withEntry("dir C:\\Users\\me\\Start Menu"), RecordFault::Planted},
        {withEntry("ini [Windows] load=x"), RecordFault::Planted},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readText(c.text, read, detail), c.fault) << c.text;
        EXPECT_TRUE(read.files.empty() && read.directories.empty() && read.iniKeys.empty()) << c.text;
        EXPECT_FALSE(recordFaultMessage(c.fault, detail).empty());
    }
    // The same rules let a proper entry in the common Programs folder pass.
    EXPECT_EQ(readText(withEntry("file " + std::string(kCommonPrograms) + "\\G\\a.lnk"), read, detail),
              RecordFault::None)
        << detail;
}

// Directories and files of both runs once; a key keeps the value from before
// the first run; the later title wins.
TEST_F(InstallRecordTest, SecondInstallationMergesIntoTheFirst) {
    InstallRecord later;
    later.title = "Sample, again";
    later.target = "C:\\Dict";
    later.directories = {"C:\\DICT\\LANGUAGE", "C:\\Dict\\sounds"};
    later.files = {"c:\\dict\\readme.txt", "C:\\Dict\\sounds\\a.wav"};
    later.iniKeys = {{"font", true, "what the first run wrote"}, {"Other", false, ""}};

    const InstallRecord merged = mergeInstallRecords(sample(), later);
    EXPECT_EQ(merged.title, "Sample, again");
    EXPECT_EQ(merged.directories.size(), 4u);
    EXPECT_EQ(merged.directories.back(), "C:\\Dict\\sounds");
    EXPECT_EQ(merged.files.size(), 4u);
    ASSERT_EQ(merged.iniKeys.size(), 4u);
    EXPECT_EQ(merged.iniKeys[1].previous, "Times New Roman");
    EXPECT_EQ(merged.iniKeys[3].key, "Other");
    EXPECT_TRUE(merged.createdIniSection);
}

// A failed write, close or replace leaves the earlier record as it was and
// no scratch file; a clean run leaves the new record whole.
TEST_F(InstallRecordTest, RecordIsWrittenWholeOrNotAtAll) {
    InstallRecord first = sample();
    first.files.resize(1);
    ASSERT_TRUE(writeInstallRecord(first, kRecordName, kRecordScratchName));
    const std::string before = readFile(kRecordName);
    resetHostPlatform();
    ASSERT_TRUE(writeInstallRecord(sample(), kRecordName, kRecordScratchName));
    const std::string after = readFile(kRecordName);
    const HostPlatform clean = hostPlatform();

    forEachFileFault(
        clean,
        [&] {
            writeFile(kRecordName, before);
            resetHostPlatform();
        },
        [&](FileOp) {
            bool ok = writeInstallRecord(sample(), kRecordName, kRecordScratchName);
            EXPECT_EQ(readFile(kRecordName), ok ? after : before);
            EXPECT_FALSE(fs::exists(kRecordScratchName));
        });
}

TEST_F(InstallRecordTest, PathsHaveOneSpellingAndTheKeyNameIsStable) {
    const struct {
        const char* path;
        const char* base;
        const char* normal;
    } cases[] = {
        {"C:\\Dict\\language\\", "", "C:\\Dict\\language"},
        {"C:/Dict//a/./b/../c", "", "C:\\Dict\\a\\c"},
        {"kelmo.ini", "C:\\Dict", "C:\\Dict\\kelmo.ini"},
        {"..\\up", "C:\\Dict", "C:\\up"},
        {"C:\\Dict\\name. .", "", "C:\\Dict\\name"},
        {"C:\\..\\x", "", ""},
        {"C:relative", "C:\\Dict", ""},
        {"\\rooted", "C:\\Dict", ""},
        {"C:\\", "", "C:"},
        {"\\\\server\\share\\d", "", "\\\\server\\share\\d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalRecordPath(c.path, c.base), c.normal) << c.path;

    EXPECT_EQ(uninstallKeyName("C:\\Dict"), uninstallKeyName("c:\\dict\\"));
    EXPECT_NE(uninstallKeyName("C:\\Dict"), uninstallKeyName("C:\\Dict2"));
    EXPECT_EQ(deepestFirst({"C:\\D", "C:\\D\\a\\b", "C:\\D\\a", "C:\\P\\G"}),
              (std::vector<std::string>{"C:\\D\\a\\b", "C:\\D\\a", "C:\\P\\G", "C:\\D"}));
}

// The installer's notes: spelled under the record's target, each once; a
// key's first note stands; a file removed again leaves the record.
TEST_F(InstallRecordTest, NotesSpellPathsUnderTheRecordsTarget) {
    copyText(installState.targetDir, "c:\\dict");
    installState.record.target = "C:\\Dictionary Files";
    noteCreatedDirectory("c:\\dict\\language\\");
    noteCreatedDirectory("C:\\DICT\\language");
    noteWrittenFile("kelmo.ini");
    noteWrittenFile("language.cf");
    noteWrittenFile("C:\\Users\\me\\Start Menu\\Programs\\G\\a.lnk");
    noteRemovedFile("c:\\dict\\language.cf");
    noteIniKey("Font", true, "Arial");
    noteIniKey("FONT", false, "");
    noteCreatedDirectory("..\\outside");
    noteWrittenFile("language\\..\\..\\x.wb");
    keepWithinRoots(installState.record, {"C:\\Dictionary Files", {kPrograms}});
    EXPECT_EQ(installState.record.directories, std::vector<std::string>{"C:\\Dictionary Files\\language"});
    EXPECT_EQ(installState.record.files,
              (std::vector<std::string>{"C:\\Dictionary Files\\kelmo.ini", "C:\\Users\\me\\Start Menu\\Programs\\G\\a.lnk"}));
    ASSERT_EQ(installState.record.iniKeys.size(), 1u);
    EXPECT_EQ(installState.record.iniKeys[0].previous, "Arial");
}

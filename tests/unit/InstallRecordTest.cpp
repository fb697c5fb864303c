// The install record uninstall.dat: what is written reads back the same,
// a second installation merges into the first, and a record that is
// missing, cut short, damaged or planted is refused whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "record/InstallRecord.h"
#include "run/ScriptSettings.h"
#include "tests/support/FileFaults.h"
#include "tests/support/ScratchDirTest.h"

namespace fs = std::filesystem;

namespace {

const std::string kPrograms = "C:\\Users\\me\\Start Menu\\Programs";
const RecordRoots kRoots{"C:\\Dict\\", {kPrograms, "C:\\ProgramData\\Start Menu\\Programs"}};

InstallRecord sample() {
    return {"Sample Italian Dictionary",
            "C:\\Dict",
            {"C:\\Dict", "C:\\Dict\\language", kPrograms + "\\Sample"},
            {"C:\\Dict\\readme.txt", "C:\\Dict\\language\\ita.wb", kPrograms + "\\Sample\\Dict.lnk"},
            {"C:\\Dict\\notes.txt"},
            {{"ItalianAviDelay", false, "", true, "250"},
             {"Font", true, "Times New Roman", true, "Arial"},
             {"Empty", true, "", false, ""}},
            true};
}

// A record as its text: two records are the same when their texts are.
std::string textOf(const InstallRecord& record) {
    EXPECT_TRUE(writeInstallRecord(record, "text.dat", kRecordScratchName));
    return readFile("text.dat");
}

// Lines sealed with a correct end line, as a deliberate planter would.
std::string sealed(const std::vector<std::string>& lines) {
    std::uint32_t sum = 2166136261u;
    std::string text;
    for (const std::string& line : lines) {
        for (unsigned char c : line + "\n")
            sum = (sum ^ c) * 16777619u;
        text += line + "\n";
    }
    char end[64];
    std::snprintf(end, sizeof end, "end %zu %08x\n", lines.size(), static_cast<unsigned>(sum));
    return text + end;
}

std::string withEntry(const std::string& entry) {
    return sealed({"record 2", "title T", "target C:\\Dict", "file C:\\Dict\\readme.txt", entry});
}

RecordFault readText(const std::string& text, InstallRecord& out, std::string& detail) {
    writeFile(kRecordName, text);
    return readInstallRecord(kRecordName, kRoots, out, detail);
}

}  // namespace

class InstallRecordTest : public ScratchDirTest {};

// Readable lines; read back the same, also with CR LF line ends.
TEST_F(InstallRecordTest, WrittenRecordReadsBackAsTextAPersonCanRead) {
    const std::string text = textOf(sample());
    for (const char* line : {"\ntitle Sample Italian Dictionary\n", "\ndir C:\\Dict\\language\n",
                             "\nfile C:\\Dict\\readme.txt\n", "\nini [Dictionary] ItalianAviDelay\n",
                             "\nini [Dictionary] Font=Times New Roman\n", "\nset [Dictionary] Font=Arial\n",
                             "\nexisted C:\\Dict\\notes.txt\n", "\nsection [Dictionary] new\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_FALSE(fs::exists(kRecordScratchName));

    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& form : {text, crlf}) {
        InstallRecord read;
        std::string detail;
        ASSERT_EQ(readText(form, read, detail), RecordFault::None) << detail;
        EXPECT_EQ(textOf(read), text);
    }
}

// Every cut of a good record is refused as cut short; every other fault is
// refused too, and a refused record hands back nothing to remove.
TEST_F(InstallRecordTest, MissingTruncatedDamagedAndPlantedRecordsAreRefused) {
    InstallRecord read;
    std::string detail;
    EXPECT_EQ(readInstallRecord("absent.dat", kRoots, read, detail), RecordFault::Missing);

    const std::string good = textOf(sample());
    for (std::size_t cut = 0; cut < good.size(); cut += cut + 40 < good.size() ? 7 : 1)
        ASSERT_EQ(readText(good.substr(0, cut), read, detail), RecordFault::Truncated) << "cut at " << cut;

    std::string flipped = good;
    flipped[flipped.find("readme")] = 'R';
    const struct {
        std::string text;
        RecordFault fault;
    } cases[] = {
        {flipped, RecordFault::Damaged},
        {good + "file C:\\Dict\\more.txt\n", RecordFault::Damaged},
        {sealed({"record 3", "target C:\\Dict"}), RecordFault::Damaged},
        {sealed({"record 1", "target C:\\Dict", "existed C:\\Dict\\a"}), RecordFault::Damaged},
        {withEntry("set [Dictionary] Font=x"), RecordFault::Damaged},
        {withEntry("existed C:\\Windows\\win.ini"), RecordFault::Planted},
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
        {withEntry("dir " + kPrograms), RecordFault::Planted},
        {withEntry("dir C:\\Users\\me\\Start Menu"), RecordFault::Planted},
        {withEntry("ini [Windows] load=x"), RecordFault::Planted},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readText(c.text, read, detail), c.fault) << c.text;
        EXPECT_TRUE(read.files.empty() && read.directories.empty() && read.iniKeys.empty()) << c.text;
        EXPECT_FALSE(recordFaultMessage(c.fault, detail).empty());
    }
    // The same rules let a proper entry in the common Programs folder pass.
    EXPECT_EQ(readText(withEntry("file C:\\ProgramData\\Start Menu\\Programs\\G\\a.lnk"), read, detail),
              RecordFault::None)
        << detail;
}

// Directories and files of both runs once; a key keeps the value from before
// the first run and takes the value the later run gave; the later title
// wins. What the first run found stays kept, what it created stays created,
// whatever the later run found.
TEST_F(InstallRecordTest, SecondInstallationMergesIntoTheFirst) {
    const InstallRecord later{"Sample, again",
                              "C:\\Dict",
                              {"C:\\DICT\\LANGUAGE", "C:\\Dict\\sounds"},
                              {"c:\\dict\\notes.txt", "C:\\Dict\\sounds\\a.wav"},
                              {"c:\\dict\\readme.txt", "C:\\Dict\\mine.txt"},
                              {{"font", true, "what the first run wrote", true, "Courier"}, {"Other", false, ""}},
                              false};
    InstallRecord expected = sample();
    expected.title = later.title;
    expected.directories.push_back("C:\\Dict\\sounds");
    expected.files.push_back("C:\\Dict\\sounds\\a.wav");
    expected.existed.push_back("C:\\Dict\\mine.txt");
    expected.iniKeys[1].given = "Courier";
    expected.iniKeys.push_back({"Other", false, ""});
    EXPECT_EQ(textOf(mergeInstallRecords(sample(), later)), textOf(expected));
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
        {"C:\\", "", "C:\\"},
        {"c:", "", "c:\\"},
        {"C:\\..", "", ""},
        {"\\\\server\\share\\d", "", "\\\\server\\share\\d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalRecordPath(c.path, c.base), c.normal) << c.path;

    EXPECT_EQ(uninstallKeyName("C:\\Dict"), uninstallKeyName("c:\\dict\\"));
    EXPECT_EQ(uninstallKeyName("C:\\"), "Dictionary_08a28407b54a70d8") << "a drive root keeps its key";
    EXPECT_EQ(pathFromFinalName("\\\\?\\C:\\Dict\\a"), "C:\\Dict\\a");
    EXPECT_EQ(pathFromFinalName("\\\\?\\UNC\\srv\\share\\a"), "\\\\srv\\share\\a");
    EXPECT_NE(uninstallKeyName("C:\\Dict"), uninstallKeyName("C:\\Dict2"));
    // Every folder comes before the folder that holds it; equal depths in any order.
    const std::vector<std::string> order = deepestFirst({"C:\\D", "C:\\D\\a\\b", "C:\\D\\a", "C:\\P\\G", "C:\\P"});
    auto at = [&](const char* folder) { return std::find(order.begin(), order.end(), folder) - order.begin(); };
    for (auto [child, parent] : {std::pair{"C:\\D\\a\\b", "C:\\D\\a"}, {"C:\\D\\a", "C:\\D"}, {"C:\\P\\G", "C:\\P"}})
        EXPECT_LT(at(child), at(parent)) << child << " before " << parent;
    EXPECT_EQ(order.size(), 5u);
}

// The installer's notes: spelled under the record's target, each once; a
// key's first note stands; a file removed again leaves the record; what
// lies outside the roots is not kept.
TEST_F(InstallRecordTest, NotesSpellPathsUnderTheRecordsTarget) {
    copyText(scriptSettings.targetDir, "c:\\dict");
    installNotes.record.target = "C:\\Dictionary Files";
    noteCreatedDirectory("c:\\dict\\language\\");
    noteCreatedDirectory("C:\\DICT\\language");
    noteCreatedDirectory("..\\outside");
    noteWrittenFile("kelmo.ini", false);
    noteWrittenFile("KELMO.INI", true);
    noteWrittenFile("language.cf", false);
    noteWrittenFile("readme.txt", true);
    noteWrittenFile("language\\..\\..\\x.wb", false);
    noteWrittenFile((kPrograms + "\\G\\a.lnk").c_str(), false);
    noteRemovedFile("c:\\dict\\language.cf");
    noteIniKey("Font", true, "Arial", "Times");
    noteIniKey("FONT", false, "", "Courier");
    keepWithinRoots(installNotes.record, {"C:\\Dictionary Files", {kPrograms}});
    EXPECT_EQ(installNotes.record.directories, std::vector<std::string>{"C:\\Dictionary Files\\language"});
    EXPECT_EQ(installNotes.record.files,
              (std::vector<std::string>{"C:\\Dictionary Files\\kelmo.ini", kPrograms + "\\G\\a.lnk"}));
    EXPECT_EQ(installNotes.record.existed, std::vector<std::string>{"C:\\Dictionary Files\\readme.txt"});
    ASSERT_EQ(installNotes.record.iniKeys.size(), 1u);
    EXPECT_EQ(installNotes.record.iniKeys[0].previous, "Arial");
    EXPECT_EQ(installNotes.record.iniKeys[0].given, "Courier");
}

// Where entries may lie. Into a drive root: anywhere on the drive but in the
// system's own folders, the Programs folders excepted; a protected record
// (no target given) is read for the target its key names.
TEST_F(InstallRecordTest, AnInstallationIntoADriveRootIsBoundedAndAProtectedRecordNamesItsTarget) {
    const RecordRoots root{"C:\\", {kPrograms}, {"C:\\Windows", "C:\\Program Files", "C:\\Users"}, ""};
    const struct {
        std::string path;
        bool directory;
        bool inside;
    } cases[] = {
        {"C:\\readme.txt", false, true},     {"C:\\language", true, true},
        {"C:\\language\\a.wb", false, true}, {"C:\\", true, false},
        {"C:\\Windows\\win.ini", false, false}, {"C:\\windows", true, false},
        {"C:\\Users\\me\\x", false, false},   {"C:\\Program Files\\Dict\\a", false, false},
        {"D:\\readme.txt", false, false},    {kPrograms + "\\G\\a.lnk", false, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(insideInstallation(c.path, c.directory, root), c.inside) << c.path;

    RecordRoots keyed{"", {kPrograms}, {}, uninstallKeyName("C:\\Dict")};
    InstallRecord read;
    std::string detail;
    writeFile(kRecordName, withEntry("dir C:\\Dict\\language"));
    EXPECT_EQ(readInstallRecord(kRecordName, keyed, read, detail), RecordFault::None) << detail;
    EXPECT_EQ(read.target, "C:\\Dict");
    keyed.keyName = uninstallKeyName("C:\\Other");
    EXPECT_EQ(readInstallRecord(kRecordName, keyed, read, detail), RecordFault::ForeignTarget);
}

// The system's own folders are refused as targets; folders inside them, and
// a drive root, are not.
TEST_F(InstallRecordTest, SystemFoldersAreNoTargets) {
    const SystemFolders system{"C:\\Windows",
                               {"C:\\Program Files", "C:\\Program Files (x86)"},
                               "C:\\Users",
                               {"D:\\Profiles\\me"},
                               {kPrograms}};
    const struct {
        const char* target;
        const char* reason;
    } cases[] = {
        {"c:\\windows\\", "the Windows folder"},
        {"C:\\Program Files (x86)", "a Program Files folder"},
        {"C:\\Users", "a user's profile folder"},
        {"C:\\Users\\someone", "a user's profile folder"},
        {"D:\\Profiles\\me", "a user's profile folder"},
        {kPrograms.c_str(), "a Programs folder of the Start menu"},
        {"C:\\", ""},
        {"C:\\Program Files\\Dictionary", ""},
        {"C:\\Users\\someone\\Dictionary", ""},
        {"C:\\Windows2", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refusedTargetReason(c.target, system), c.reason) << c.target;
}

// A record 2 is UTF-8; a record 1, and a record 2 whose bytes are not UTF-8
// (written before), are read in the ANSI code page.
TEST_F(InstallRecordTest, RecordsAreReadInTheCodePageTheyWereWrittenIn) {
    const std::vector<std::string> written[] = {
        {"record 2", "title Caff\u00E8", "target C:\\Dict", "file C:\\Dict\\\u00E8.txt"},
        {"record 1", "title Caff\xE8", "target C:\\Dict", "file C:\\Dict\\\xE8.txt"},
        {"record 2", "title Caff\xE8", "target C:\\Dict", "file C:\\Dict\\\xE8.txt"},
    };
    for (const auto& lines : written) {
        InstallRecord read;
        std::string detail;
        ASSERT_EQ(readText(sealed(lines), read, detail), RecordFault::None) << lines[0] << ": " << detail;
        EXPECT_EQ(read.title, "Caff\u00E8");
        EXPECT_EQ(read.files, std::vector<std::string>{"C:\\Dict\\\u00E8.txt"});
    }
    InstallRecord record = sample();
    record.title = "Caff\u00E8";
    EXPECT_NE(textOf(record).find("\nrecord 2\ntitle Caff\u00E8\n"), std::string::npos);
}

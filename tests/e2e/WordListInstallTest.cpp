// Whole installations that build word lists, watched through the window:
// each language's heading, progress bar and status rows, its closing
// message, the settings file kelmo.ini as it grows and as it ends, the word
// lists on disk, and the failure when a FROM wordlist is missing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "ProgressPixels.h"
#include "WordListSupport.h"

using namespace e2e;
using progress::Box;
using progress::kCounterBlue;
using progress::kFace;
using progress::kWhite;
using wordlists::Record;

namespace {

const char kHeaderLine[] = "# --- kelmo.ini -------------------------------------------------";
const char kEofLine[] = "# --- EOF --------------------------------------------------------";

// A script that puts the word lists and the language list in place and asks
// for the build.
std::string wordListScript(const std::string& extra = "") {
    return "title Word lists\nmkdir language\nxcopy *.wb language\ncopy language.cf language.cf\n" + extra +
           "mkwlist\n";
}

struct Language {
    std::string line;  // the language line, f1,f2,f3,DisplayName
    std::string fromName, toName;
    std::vector<Record> from;
};

// The language list of the blocks, CR LF line ends, with comments between.
std::string languageList(const std::vector<Language>& languages) {
    std::string text = "# Languages of the dictionary\r\n\r\n";
    for (const Language& l : languages)
        text += l.line + "\r\n" + l.fromName + "\r\n" + l.toName + "\r\n#\r\n";
    return text;
}

// The source folder's files: the language list and the FROM wordlists.
std::vector<std::pair<std::string, std::string>> sourceFiles(const std::vector<Language>& languages) {
    std::vector<std::pair<std::string, std::string>> files{{"language.cf", languageList(languages)}};
    for (const Language& l : languages) files.emplace_back(l.fromName, wordlists::wordListBytes(l.from));
    return files;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "\n  " + l;
    return out.empty() ? "\n  (none)" : out;
}

std::string describe(const std::vector<Record>& records) {
    std::string out;
    for (const Record& r : records) out += "\n  " + wordlists::toString(r);
    return out.empty() ? "\n  (none)" : out;
}

// Where a text drawn at (0, 0) in the installer's heading font covers its
// pixels fully: drawn in white on black in a bitmap of this process.
Box headingInk(const std::string& text) {
    constexpr int kWidth = 600, kHeight = 60;
    HFONT font = CreateFontA(40, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Times New Roman");
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Box ink;
    if (bitmap && bits) {
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        HGDIOBJ oldFont = SelectObject(dc, font);
        RECT all{0, 0, kWidth, kHeight};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextA(dc, text.c_str(), -1, &all, DT_LEFT | DT_TOP | DT_SINGLELINE);
        GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if ((pixels[y * kWidth + x] & 0xFFFFFF) == 0xFFFFFF) ink.add(x, y);
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return ink;
}

std::string toString(const Box& b) {
    if (b.empty()) return "nothing";
    return "x " + std::to_string(b.left) + " to " + std::to_string(b.right) + ", y " + std::to_string(b.top) +
           " to " + std::to_string(b.bottom);
}

// The face pixels of a heading drawn at nameY: their bounding box.
Box headingFace(const Screen& s, int nameY) {
    Box face;
    for (int y = nameY - 2; y < nameY + 40; ++y)
        for (int x = 28; x < 480; ++x)
            if (sameColour(s.pixel(x, y), kFace)) face.add(x, y);
    return face;
}

bool isWhite(Rgb c) {
    return sameColour(c, kWhite);
}

bool isCounterBlue(Rgb c) {
    return sameColour(c, kCounterBlue);
}

// Three small languages; their display names sort differently under the
// Italian collation (accented E with E) than by their bytes.
std::vector<Language> threeLanguages() {
    return {
        {"sp,spagnolo.wb,x,Spagnolo", "spa.wb", "spa-rev.wb",
         {{"casa", "house, home"}, {"gatto", "cat,house"}, {"cane", "dog"}}},
        {"in,inglese.wb,y,Inglese", "eng.wb", "eng-rev.wb",
         {{"sole", "sun"}, {"luna", "moon"}, {"stella", "star,sun"}}},
        {"el,elfico.wb,z,\xC9lfico", "elf.wb", "elf-rev.wb", {{"albero", "tree"}, {"fiume", "river"}}},
    };
}

}  // namespace

// Three language blocks: while each closing message is open its heading and
// full bar stand 50 pixels below the previous language's, the settings file
// holds the entries of the languages before it, and (for the first) the five
// status rows with their counters are on screen. At the end the three
// entries stand sorted in kelmo.ini, and every TO wordlist is the reverse of
// its FROM wordlist.
TEST(WordListInstall, ThreeLanguagesBuildOneBelowTheOtherAndEndSorted) {
    Workspace work;
    const std::vector<Language> languages = threeLanguages();
    const std::string target = work.path("target");
    const std::string ini = joinPath(target, "kelmo.ini");
    Installer app(work.makeSource(wordListScript(), sourceFiles(languages)));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));
    app.click(kStartButton);

    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE("language " + std::to_string(k + 1));
        const int nameY = 100 + 50 * k, barY = 155 + 50 * k;
        auto box = app.waitForMessageBox("Install", Millis(30000));
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, "Install Finished ");
        EXPECT_FALSE(box->iconSet) << "the closing message has no icon";
        EXPECT_EQ(GetWindow(box->window, GW_OWNER), app.mainWindow()) << "the main window should own the message";

        // The settings file holds the languages before this one, in list order.
        std::vector<std::string> before;
        for (int i = 0; i < k; ++i) before.push_back(languages[i].line);
        auto text = readFile(ini);
        ASSERT_TRUE(text) << "kelmo.ini should exist from the first language on";
        EXPECT_EQ(wordlists::languageEntries(*text), before) << "entries while the message is open:"
                                                             << joined(wordlists::languageEntries(*text));

        Screen s = waitForScreen([&](const Screen& s) {
            return !headingFace(s, nameY).empty() && progress::readBar(s, barY, 379).faults.empty();
        }, Millis(3000));
        Box face = headingFace(s, nameY);
        const std::string name = languages[k].line.substr(languages[k].line.rfind(',') + 1);
        // The face is the name in the heading font, moved 2 pixels up and
        // left from (30, nameY).
        Box want = headingInk(name);
        want.left += 28, want.right += 28, want.top += nameY - 2, want.bottom += nameY - 2;
        EXPECT_EQ(toString(face), toString(want)) << "the face of the heading \"" << name << "\" at y " << nameY;
        EXPECT_TRUE(headingFace(s, nameY + 50).empty()) << "a heading below this language's, at y " << nameY + 50;
        progress::BarReading bar = progress::readBar(s, barY, 379);
        EXPECT_EQ(bar.faults, "") << "the bar at y " << barY << " should be full";
        EXPECT_FALSE(bar.text.empty()) << "no \"100%\" in the bar at y " << barY;

        if (k == 0) {
            // Five status rows, each with its text, "[Done]" and counter box.
            for (int row = 195; row <= 295; row += 25) {
                EXPECT_GT(s.count(30, row, 210, row + 16, isWhite), 10) << "no status text at y " << row;
                EXPECT_GT(s.count(210, row, 280, row + 16, isWhite), 10) << "no \"[Done]\" at y " << row;
                EXPECT_GT(s.count(280, row, 360, row + 16, isCounterBlue), 100) << "no counter box at y " << row;
            }
            EXPECT_EQ(s.count(30, 320, 380, 345, isWhite), 0) << "a sixth status row";
        }
        ASSERT_TRUE(app.answer(*box));
    }
    EXPECT_EQ(app.waitForExit(Millis(20000)), 0u);

    auto text = readFile(ini);
    ASSERT_TRUE(text);
    auto lf = wordlists::fromCrLf(*text);
    ASSERT_TRUE(lf) << "kelmo.ini should have CR LF line ends";
    EXPECT_EQ(*lf, std::string(kHeaderLine) + "\n\n[AddNew]\non\n\n[selected]\nspa.wb\n\n[language]\n" +
                       "el,elfico.wb,z,\xC9lfico\nin,inglese.wb,y,Inglese\nsp,spagnolo.wb,x,Spagnolo\n\n" + kEofLine +
                       "\n");

    EXPECT_FALSE(pathExists(joinPath(target, "language.cf"))) << "the language list should be deleted";
    EXPECT_FALSE(pathExists(joinPath(target, "language\\temp.wb"))) << "the TEMP wordlist should be deleted";
    EXPECT_FALSE(pathExists(joinPath(target, "tmp.ini")));

    const std::vector<std::vector<Record>> reversed = {
        {{"cat", "gatto"}, {"dog", "cane"}, {"home", "casa"}, {"house", "casa, gatto"}},
        {{"moon", "luna"}, {"star", "stella"}, {"sun", "sole, stella"}},
        {{"river", "fiume"}, {"tree", "albero"}},
    };
    for (size_t k = 0; k < languages.size(); ++k) {
        auto bytes = readFile(joinPath(target, "language\\" + languages[k].toName));
        ASSERT_TRUE(bytes) << languages[k].toName << " missing";
        wordlists::ParsedList list = wordlists::parseWordList(*bytes);
        EXPECT_EQ(list.problems, "") << languages[k].toName;
        EXPECT_EQ(list.records, reversed[k]) << languages[k].toName << " holds" << describe(list.records);
    }
}

// The closing message shows the display file's bytes as they are, line
// breaks included, up to a zero byte; a display file that is not there gives
// the standard text.
TEST(WordListInstall, ClosingMessageShowsTheDisplayFile) {
    Workspace work;
    const std::vector<Language> one = {threeLanguages()[0]};
    struct Case {
        const char* folder;
        std::string script;
        std::string expected;
    };
    const std::string readme("Grazie per l'installazione!\r\nBuon lavoro con il dizionario.\0not shown", 69);
    const Case cases[] = {
        {"with-file", wordListScript("copy readme.txt readme.txt\ndisplay readme.txt\n"),
         "Grazie per l'installazione!\r\nBuon lavoro con il dizionario."},
        {"without-file", wordListScript("display missing.txt\n"), "Install Finished "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        auto files = sourceFiles(one);
        files.emplace_back("readme.txt", readme);
        Installer app(work.makeSource(c.script, files, std::string("source-") + c.folder));
        ASSERT_TRUE(app.waitForMainWindow());
        ASSERT_TRUE(app.setText(kEditBox, work.path(std::string("target-") + c.folder)));
        app.click(kStartButton);
        auto box = app.waitForMessageBox("Install", Millis(30000));
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, c.expected);
        EXPECT_FALSE(box->iconSet) << "the closing message has no icon";
        ASSERT_TRUE(app.answer(*box));
        EXPECT_EQ(app.waitForExit(), 0u);
    }
}

// A language list of comments and empty lines only: nothing is built, no
// message is shown, no settings file is made, and the list is deleted.
TEST(WordListInstall, ALanguageListOfCommentsOnlyBuildsNothing) {
    Workspace work;
    const std::string target = work.path("target");
    Installer app(work.makeSource(wordListScript(), {{"language.cf", "# no languages yet\r\n\r\n#\r\n\r\n"},
                                                     {"spa.wb", wordlists::wordListBytes({{"casa", "house"}})}}));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));
    app.click(kStartButton);
    EXPECT_EQ(app.waitForExit(), 0u) << "expected the installation to end without any message";
    EXPECT_FALSE(pathExists(joinPath(target, "kelmo.ini"))) << "no settings file without a language";
    EXPECT_FALSE(pathExists(joinPath(target, "language.cf"))) << "the language list should be deleted";
    EXPECT_EQ(listTree(joinPath(target, "language")), std::vector<std::string>{"spa.wb"});
}

// Without word lists, a kelmo.ini already in the target directory has its
// language section sorted, the tail made one empty line and the EOF line,
// and keeps CR LF line ends.
TEST(WordListInstall, AnExistingSettingsFileIsSortedWithoutWordLists) {
    Workspace work;
    const std::string target = work.path("target");
    writeFile(joinPath(target, "kelmo.ini"),
              std::string(kHeaderLine) + "\r\n\r\n[AddNew]\r\non\r\n\r\n[selected]\r\nold.wb\r\n\r\n[language]\r\n" +
                  "x,y,z,Spagnolo\r\na,b,c,Inglese\r\n\r\n\r\n" + kEofLine + "\r\n");
    Installer app(work.makeSource("title Sort only\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));
    app.click(kStartButton);
    EXPECT_EQ(app.waitForExit(), 0u);

    auto text = readFile(joinPath(target, "kelmo.ini"));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, std::string(kHeaderLine) + "\r\n\r\n[AddNew]\r\non\r\n\r\n[selected]\r\nold.wb\r\n\r\n" +
                         "[language]\r\na,b,c,Inglese\r\nx,y,z,Spagnolo\r\n\r\n" + kEofLine + "\r\n");
    EXPECT_FALSE(pathExists(joinPath(target, "tmp.ini")));
}

// A FROM wordlist that is not there ends the installation with an "Error"
// box naming its relative path, and exit code 1; nothing of the run stays,
// not the settings file made for the first language, nor the target.
TEST(WordListInstall, AMissingFromWordlistIsFatal) {
    Workspace work;
    const std::string target = work.path("target");
    Installer app(work.makeSource(wordListScript(), {{"language.cf", "it,a,b,Italiano\r\nx.wb\r\ny.wb\r\n"},
                                                     {"other.wb", wordlists::wordListBytes({{"casa", "house"}})}}));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));
    app.click(kStartButton);

    auto box = app.waitForMessageBox("Error", Millis(30000));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Input file \"language\\x.wb\" missing");
    EXPECT_TRUE(box->iconSet) << "expected the error icon";
    EXPECT_EQ(GetWindow(box->window, GW_OWNER), app.mainWindow()) << "the main window should own the error box";
    ASSERT_TRUE(app.answer(*box));
    EXPECT_EQ(app.waitForExit(), 1u);

    EXPECT_FALSE(pathExists(target)) << "the run is undone";
}

// install.inf, language.cf and the display file in UTF-8 after byte order
// marks, or in Windows-1252 named by a codepage line: the same title and
// language name on the screen, the same closing message, and kelmo.ini in
// the ANSI code page either way. A language name that code page cannot write
// ends the run before any word list is built or kelmo.ini is made.
TEST(WordListInstall, TextFilesAreReadInTheirCodePages) {
    const std::string mark = "\xEF\xBB\xBF";
    const std::string steps = "mkdir language\nxcopy *.wb language\ncopy language.cf language.cf\n"
                              "copy readme.txt readme.txt\ndisplay readme.txt\nmkwlist\n";
    struct Case {
        const char* folder;
        std::string script, languageLine, readme;
        bool refused;
    } const cases[] = {
        {"utf8", mark + "title Dizionario \u00E8\n" + steps, mark + "es,x,y,Espa\u00F1ol", mark + "Caff\u00E8", false},
        {"cp1252", "codepage 1252\ntitle Dizionario \xE8\n" + steps, "es,x,y,Espa\xF1ol", "Caff\xE8", false},
        {"cp932", "codepage 932\ntitle Dizionario\n" + steps, "ja,x,y,\x95\x5C", "", true},
    };
    Workspace work;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const std::string target = work.path(std::string("target-") + c.folder);
        const std::vector<std::pair<std::string, std::string>> files = {
            {"language.cf", c.languageLine + "\r\nspa.wb\r\nspa-r.wb\r\n"},
            {"spa.wb", wordlists::wordListBytes({{"casa", "house"}})},
            {"readme.txt", c.readme}};
        Installer app(work.makeSource(c.script, files, std::string("source-") + c.folder));
        ASSERT_TRUE(app.waitForMainWindow());
        ASSERT_TRUE(app.setText(kEditBox, target));
        app.click(kStartButton);
        if (c.refused) {
            auto box = app.waitForMessageBox("Error", Millis(30000));
            ASSERT_TRUE(box);
            EXPECT_EQ(box->text.rfind("Can't write \"", 0), 0u) << box->text;
            ASSERT_TRUE(app.answer(*box));
            EXPECT_EQ(app.waitForExit(), 1u);
            EXPECT_FALSE(pathExists(joinPath(target, "kelmo.ini")));
            EXPECT_FALSE(pathExists(joinPath(target, "language\\spa-r.wb")));
            continue;
        }
        auto box = app.waitForMessageBox("Install", Millis(30000));
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, "Caff\xE8");
        const Screen s = Screen::capture();
        for (const auto& [text, y] : {std::pair<std::string, int>{"Dizionario \xE8", 20}, {"Espa\xF1ol", 100}}) {
            Box want = headingInk(text);
            want.left += 28, want.right += 28, want.top += y - 2, want.bottom += y - 2;
            EXPECT_EQ(toString(headingFace(s, y)), toString(want)) << "the heading \"" << text << "\" at y " << y;
        }
        ASSERT_TRUE(app.answer(*box));
        EXPECT_EQ(app.waitForExit(Millis(20000)), 0u);
        auto ini = readFile(joinPath(target, "kelmo.ini"));
        ASSERT_TRUE(ini);
        EXPECT_NE(ini->find("\r\nes,x,y,Espa\xF1ol\r\n"), std::string::npos) << *ini;
    }
}

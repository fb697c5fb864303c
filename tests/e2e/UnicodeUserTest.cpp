// A user whose name the system's code page cannot spell (scripts/e2e with
// E2E_USER, a prefix of its own): the sample installs from a source folder
// named outside the code page, the shortcut reaches that user's Programs
// folder, and the uninstall goes through the copy in that user's %TEMP%.
// A target the dictionary program could not open is refused at Start.
#include "UninstallSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>

#include "core/WideText.h"

using namespace e2e;

namespace {

std::wstring wideSpecialFolder(int which) {
    wchar_t path[MAX_PATH] = L"";
    return SHGetSpecialFolderPathW(nullptr, path, which, TRUE) ? path : L"";
}

void writeWide(const std::wstring& path, const std::string& bytes) {
    const std::size_t slash = path.find_last_of(L'\\');
    CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(file) << toUtf8(path);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// The box's text as the system holds it, in UTF-8.
std::string boxText(HWND box) {
    wchar_t text[2048] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    return toUtf8(text);
}

}  // namespace

TEST(UnicodeUser, InstallsFromAFolderOutsideTheCodePageAndUninstallsThroughThatUsersTemp) {
    const std::wstring profile = wideSpecialFolder(CSIDL_PROFILE);
    if (profile.find(L"\u6d4b") == std::wstring::npos)
        GTEST_SKIP() << "run by scripts/e2e with E2E_USER=<a name outside the code page>";
    Workspace work;
    const std::wstring source = toWide(work.root()) + L"\\\u00c6r\u00f8_\u6d4b\u8bd5";
    CreateDirectoryW(source.c_str(), nullptr);
    writeWide(source + L"\\install.inf", sampleScript("E2E Unicode User"));
    for (const auto& [name, content] : sampleFiles()) writeWide(source + L"\\" + toWide(name), content);
    const std::wstring installer = toWide(installerPath());
    const std::string target = work.path("target");
    const SystemState before = systemState(target);

    {
        Installer refused(source, installer);
        ASSERT_TRUE(refused.waitForMainWindow());
        SetWindowTextW(refused.control(kEditBox), L"c:\\dizionario_\u6d4b\u8bd5");
        refused.click(kStartButton);
        auto box = refused.waitForMessageBox("Error");
        ASSERT_TRUE(box);
        EXPECT_NE(boxText(box->window).find("\"\xE6\xB5\x8B\""), std::string::npos) << boxText(box->window);
        refused.answer(*box);
        refused.click(kStopButton);
        EXPECT_EQ(refused.waitForExit(), 0u);
        EXPECT_EQ(GetFileAttributesW(L"c:\\dizionario_\u6d4b\u8bd5"), INVALID_FILE_ATTRIBUTES) << "nothing written";
    }

    Installer app(source, installer);
    ASSERT_TRUE(app.waitForMainWindow() && app.setText(kEditBox, target));
    app.click(kStartButton);
    ASSERT_EQ(app.answerBoxesUntilExit(), 0u);
    const std::wstring link = wideSpecialFolder(CSIDL_PROGRAMS) + L"\\E2E Unicode User\\Sample Dictionary.lnk";
    EXPECT_NE(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES) << "no shortcut in " << toUtf8(link);
    EXPECT_EQ(contentOf(joinPath(target, "readme.txt")), "Sample dictionary\r\n");

    auto [closing, code] = uninstall(target);
    EXPECT_EQ(code, 0u) << closing;
    EXPECT_EQ(systemState(target), before);
    EXPECT_EQ(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES) << "the shortcut stayed";
}

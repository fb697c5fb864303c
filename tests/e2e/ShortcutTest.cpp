// The program shortcut made at the end of the installation, read back from
// the Programs folder through the shell-link object.
#include "Harness.h"

#include <gtest/gtest.h>

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

using namespace e2e;

namespace {

struct Shortcut {
    std::string failure;  // empty when the file was read
    std::string target;
    std::string arguments;
    std::string workingDir;
};

// What a shortcut file holds, read through IShellLinkA and IPersistFile::Load.
Shortcut readShortcut(const std::string& file) {
    Shortcut shortcut;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkA* link = nullptr;
    IPersistFile* persist = nullptr;
    WCHAR wide[MAX_PATH];
    char text[MAX_PATH * 2];
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link));
    if (FAILED(result)) {
        shortcut.failure = "no shell-link object";
    } else if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        shortcut.failure = "no IPersistFile";
    } else if (!MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH)) {
        shortcut.failure = "path does not convert";
    } else if (FAILED(result = persist->Load(wide, STGM_READ))) {
        shortcut.failure = "Load failed with " + std::to_string(static_cast<unsigned long>(result));
    } else {
        text[0] = '\0';
        link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
        shortcut.target = text;
        text[0] = '\0';
        link->GetArguments(text, sizeof text);
        shortcut.arguments = text;
        text[0] = '\0';
        link->GetWorkingDirectory(text, sizeof text);
        shortcut.workingDir = text;
    }
    if (persist)
        persist->Release();
    if (link)
        link->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return shortcut;
}

// The files and folders of the Programs folder's top level.
std::vector<std::string> programsEntries() {
    std::vector<std::string> top;
    for (const std::string& entry : listTree(programsFolder())) {
        auto slash = entry.find('\\');
        if (slash == std::string::npos || slash + 1 == entry.size())
            top.push_back(entry);
    }
    return top;
}

std::vector<std::string> with(std::vector<std::string> names, const std::string& added) {
    names.push_back(added);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// The shortcut lies in the group folder under the Programs folder; it starts
// the later iconexe line's program, relative to the target directory, with
// the wbarg arguments, in the target directory (with its trailing backslash).
TEST(Shortcut, IsSavedInTheGroupWithTargetArgumentsAndWorkingDirectory) {
    Workspace work;
    std::string target = work.path("target");
    std::string group = joinPath(programsFolder(), "E2E Shortcut Group");
    removeTree(group);
    std::string source = work.makeSource("wbarg -d E2E words\n"
                                         "mkdir bin\n"
                                         "copy prog.exe bin\\prog.exe\n"
                                         "iconname E2E Dictionary\n"
                                         "icongroup E2E Shortcut Group\n"
                                         "iconexe first.exe\n"
                                         "iconexe bin\\prog.exe\n",
                                         {{"prog.exe", "program\n"}});

    EXPECT_EQ(installInto(source, target), 0u);
    EXPECT_EQ(listTree(group), std::vector<std::string>{"E2E Dictionary.lnk"});
    Shortcut link = readShortcut(joinPath(group, "E2E Dictionary.lnk"));
    ASSERT_EQ(link.failure, "");
    EXPECT_EQ(link.target, target + "\\bin\\prog.exe");
    EXPECT_EQ(link.arguments, "-d E2E words");
    EXPECT_EQ(link.workingDir, target + "\\");
}

// A group folder that exists already is used as it is.
TEST(Shortcut, ExistingGroupFolderIsReused) {
    Workspace work;
    std::string target = work.path("target");
    std::string group = joinPath(programsFolder(), "E2E Existing Group");
    removeTree(group);
    writeFile(joinPath(group, "marker.txt"), "was here\n");
    std::string source = work.makeSource("iconname E2E Reused\n"
                                         "icongroup E2E Existing Group\n"
                                         "iconexe prog.exe\n"
                                         "copy prog.exe prog.exe\n",
                                         {{"prog.exe", "program\n"}});

    EXPECT_EQ(installInto(source, target), 0u);
    EXPECT_EQ(listTree(group), (std::vector<std::string>{"E2E Reused.lnk", "marker.txt"}));
    EXPECT_EQ(readFile(joinPath(group, "marker.txt")).value_or("<missing>"), "was here\n");
    Shortcut link = readShortcut(joinPath(group, "E2E Reused.lnk"));
    ASSERT_EQ(link.failure, "");
    EXPECT_EQ(link.target, target + "\\prog.exe");
}

// Without an iconname line nothing is made, whatever icongroup and iconexe say.
TEST(Shortcut, WithoutIconNameNoFolderAndNoShortcut) {
    Workspace work;
    std::string group = joinPath(programsFolder(), "E2E Unused Group");
    removeTree(group);
    auto before = listTree(programsFolder());
    std::string source = work.makeSource("icongroup E2E Unused Group\n"
                                         "iconexe prog.exe\n"
                                         "copy prog.exe prog.exe\n",
                                         {{"prog.exe", "program\n"}});

    EXPECT_EQ(installInto(source, work.path("target")), 0u);
    EXPECT_FALSE(pathExists(group)) << group << " should not have been made";
    EXPECT_EQ(listTree(programsFolder()), before);
}

// With iconname alone the shortcut lies in the Programs folder itself, with
// the target directory as its target and no arguments.
TEST(Shortcut, WithoutGroupProgramOrArgumentsInTheProgramsFolder) {
    Workspace work;
    std::string target = work.path("target");
    std::string file = joinPath(programsFolder(), "E2E Loose Shortcut.lnk");
    removeTree(file);
    auto before = programsEntries();
    std::string source = work.makeSource("iconname E2E Loose Shortcut\n");

    EXPECT_EQ(installInto(source, target), 0u);
    EXPECT_EQ(programsEntries(), with(before, "E2E Loose Shortcut.lnk"));
    Shortcut link = readShortcut(file);
    ASSERT_EQ(link.failure, "");
    EXPECT_EQ(link.target, target + "\\");
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.workingDir, target + "\\");
}

// A relative target typed by the user gives a shortcut with full paths: the
// shortcut is made far from the directory that path was relative to.
TEST(Shortcut, RelativeTargetGivesFullPaths) {
    Workspace work;
    std::string group = joinPath(programsFolder(), "E2E Relative Group");
    removeTree(group);
    std::string source = work.makeSource("iconname E2E Relative\n"
                                         "icongroup E2E Relative Group\n"
                                         "iconexe prog.exe\n"
                                         "copy prog.exe prog.exe\n",
                                         {{"prog.exe", "program\n"}});

    EXPECT_EQ(installInto(source, "..\\target"), 0u);
    std::string target = work.path("target");
    EXPECT_TRUE(pathExists(joinPath(target, "prog.exe")));
    Shortcut link = readShortcut(joinPath(group, "E2E Relative.lnk"));
    ASSERT_EQ(link.failure, "");
    EXPECT_EQ(link.target, target + "\\prog.exe");
    EXPECT_EQ(link.workingDir, target + "\\");
}

// What the user is told when steps of the installation fail: the box of a
// copy that fails with its source present (Abort, Retry, Ignore), the
// closing warning that counts what did not complete, the exit codes; and the
// files of a read-only medium, which must arrive writable.
#include "Harness.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// The box of a failed copy: caption "Error", the buttons Abort, Retry and
// Ignore, a text that names both paths and then the system's message.
std::optional<MessageBoxInfo> waitForCopyBox(Installer& app, const std::string& source,
                                             const std::string& destination) {
    auto box = app.waitForMessageBox("Error");
    if (!box)
        return box;
    for (int id : {IDABORT, IDRETRY, IDIGNORE}) {
        HWND button = GetDlgItem(box->window, id);
        EXPECT_TRUE(button && IsWindowVisible(button)) << "no button " << id << " in the box \"" << box->text << "\"";
    }
    const std::string head = "Can't copy\n" + source + "\nto\n" + destination + "\n\n";
    EXPECT_EQ(box->text.substr(0, head.size()), head);
    EXPECT_GT(box->text.size(), head.size()) << "no system message in \"" << box->text << "\"";
    return box;
}

}  // namespace

// A copy whose destination is a folder of the file's name fails with its
// source present. Retry, once the folder is gone, copies the file; Ignore
// passes over it. A folder that cannot be made (a file has its name) and a
// shortcut whose group cannot be made are counted without a box; a missing
// source stays silent. One warning at the end counts and names them, and the
// exit code is 2.
TEST(CopyFailure, RetryAndIgnoreEndWithTheClosingWarning) {
    Workspace work;
    std::string target = work.path("target");
    makeDirectories(joinPath(target, "retried.txt"));
    makeDirectories(joinPath(target, "ignored.txt"));
    writeFile(joinPath(target, "plain"), "a file, not a folder\n");
    const std::string groupFile = joinPath(programsFolder(), "E2E Failure Group");
    writeFile(groupFile, "a file where the group folder would go\n");
    std::string source = work.makeSource("copy a.txt retried.txt\n"
                                         "copy a.txt ignored.txt\n"
                                         "copy nosuch.txt missing.txt\n"
                                         "mkdir plain\n"
                                         "iconname E2E Failure\n"
                                         "icongroup E2E Failure Group\n"
                                         "copy a.txt after.txt\n",
                                         {{"a.txt", "alpha\n"}});

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    auto retried = waitForCopyBox(app, joinPath(source, "a.txt"), joinPath(target, "retried.txt"));
    ASSERT_TRUE(retried);
    removeTree(joinPath(target, "retried.txt"));
    ASSERT_TRUE(app.answer(*retried, IDRETRY));
    auto ignored = waitForCopyBox(app, joinPath(source, "a.txt"), joinPath(target, "ignored.txt"));
    ASSERT_TRUE(ignored);
    ASSERT_TRUE(app.answer(*ignored, IDIGNORE));
    expectClosingWarning(app, 3,
                         {"Copy to " + joinPath(target, "ignored.txt"), "Folder " + joinPath(target, "plain"),
                          "Shortcut E2E Failure"});
    EXPECT_EQ(app.waitForExit(), 2u);

    EXPECT_EQ(contentOf(joinPath(target, "retried.txt")), "alpha\n");
    EXPECT_TRUE(isDirectory(joinPath(target, "ignored.txt")));
    EXPECT_EQ(contentOf(joinPath(target, "after.txt")), "alpha\n");
    EXPECT_FALSE(pathExists(joinPath(target, "missing.txt")));
    EXPECT_EQ(contentOf(groupFile), "a file where the group folder would go\n");
    DeleteFileA(groupFile.c_str());
}

// Abort ends the run as a fatal error does: exit code 1 and no further box;
// nothing after it is done, and what was copied before is undone.
TEST(CopyFailure, AbortEndsTheRunWithExitCode1) {
    Workspace work;
    std::string target = work.path("target");
    makeDirectories(joinPath(target, "blocked.txt"));
    std::string source = work.makeSource("copy a.txt first.txt\n"
                                         "copy a.txt blocked.txt\n"
                                         "copy a.txt after.txt\n",
                                         {{"a.txt", "alpha\n"}});

    Installer app(source);
    ASSERT_TRUE(startInto(app, target));
    auto box = waitForCopyBox(app, joinPath(source, "a.txt"), joinPath(target, "blocked.txt"));
    ASSERT_TRUE(box);
    ASSERT_TRUE(app.answer(*box, IDABORT));
    EXPECT_EQ(app.waitForExit(), 1u);
    EXPECT_EQ(listTree(target), sorted({"blocked.txt\\"}));
}

// Files of a read-only medium arrive writable: language.cf is deleted after
// the build, and a second installation replaces every file. A missing
// source is passed over there without a word: exit code 0.
TEST(CopyFailure, ReadOnlySourcesArriveWritableAndAreReplacedLater) {
    Workspace work;
    std::string target = work.path("target");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"language.cf", "a,b,c,E2eReadOnlyMedium\nfrom.wb\nto.wb\n"},
        {"from.wb", wordRecord("casa", "house")},
        {"one.txt", "first one\n"},
        {"two.dat", "first two\n"}};
    std::string source = work.makeSource("mkdir language\n"
                                         "copy language.cf language.cf\n"
                                         "copy from.wb language\\from.wb\n"
                                         "copy one.txt one.txt\n"
                                         "xcopy *.dat .\n"
                                         "mkwlist\n",
                                         files);
    for (const auto& file : files)
        ASSERT_TRUE(SetFileAttributesA(joinPath(source, file.first).c_str(), FILE_ATTRIBUTE_READONLY));

    Installer first(source);
    ASSERT_TRUE(startInto(first, target));
    expectBox(first, "Install", "Install Finished ");
    EXPECT_EQ(first.waitForExit(), 0u);
    EXPECT_FALSE(pathExists(joinPath(target, "language.cf"))) << "language.cf should be deleted after use";
    for (const char* name : {"one.txt", "two.dat", "language\\from.wb"})
        EXPECT_FALSE(isReadOnly(joinPath(target, name))) << name << " arrived read-only";

    std::string second = work.makeSource("copy one.txt one.txt\n"
                                         "xcopy *.dat .\n"
                                         "copy nosuch.txt none.txt\n",
                                         {{"one.txt", "second one\n"}, {"two.dat", "second two\n"}}, "source2");
    EXPECT_EQ(installInto(second, target), 0u);
    EXPECT_EQ(contentOf(joinPath(target, "one.txt")), "second one\n");
    EXPECT_EQ(contentOf(joinPath(target, "two.dat")), "second two\n");
    EXPECT_FALSE(pathExists(joinPath(target, "none.txt")));
}

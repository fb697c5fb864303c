// Ending the installer before it starts, and the check of the target
// directory when the user starts it with the Start button or the Enter key.
#include "Harness.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace e2e;

namespace {

enum class Trigger { StartButton, EnterKey };

void trigger(Installer& app, Trigger how) {
    if (how == Trigger::StartButton)
        app.click(kStartButton);
    else
        app.pressEnter(kEditBox);
}

// A script that would leave traces if it ran: a folder and a copied file.
const char* const kScriptWithTraces = "title Ending test\nmkdir sub\ncopy readme.txt readme.txt\n";

}  // namespace

// --- Stop and close ------------------------------------------------------------

enum class Ending { StopButton, CloseRequest };

std::ostream& operator<<(std::ostream& out, Ending how) {
    return out << (how == Ending::StopButton ? "Stop button" : "close request");
}

class EndBeforeStart : public ::testing::TestWithParam<Ending> {};

// Ending before Start leaves the disk as it was: the target in the edit box
// is not created and the source folder is untouched.
TEST_P(EndBeforeStart, ExitsWithCode0AndWritesNothing) {
    Workspace work;
    std::string target = work.path("target");
    std::string source = work.makeSource(kScriptWithTraces, {{"readme.txt", "hello\n"}});
    auto sourceBefore = listTree(source);
    Installer app(source);
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));

    if (GetParam() == Ending::StopButton)
        app.click(kStopButton);
    else
        app.requestClose();

    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_FALSE(pathExists(target)) << target << " should not have been created";
    EXPECT_EQ(listTree(source), sourceBefore);
}

INSTANTIATE_TEST_SUITE_P(Ways, EndBeforeStart, ::testing::Values(Ending::StopButton, Ending::CloseRequest),
                         [](const auto& info) {
                             return info.param == Ending::StopButton ? "StopButton" : "CloseRequest";
                         });

// --- Accepted targets ------------------------------------------------------------

enum class Target { NewFolderInExisting, ExistingFolder, ExistingFile };

struct AcceptedCase {
    const char* name;
    Trigger how;
    Target target;
};

std::ostream& operator<<(std::ostream& out, const AcceptedCase& c) {
    return out << c.name;
}

class StartAccepted : public ::testing::TestWithParam<AcceptedCase> {};

// A usable target lets the installation run to its end: without word lists
// or shortcut the window simply closes, exit code 0, no message on the way.
TEST_P(StartAccepted, RunsToTheEndWithExitCode0) {
    const AcceptedCase& c = GetParam();
    Workspace work;
    std::string target;
    switch (c.target) {
    case Target::NewFolderInExisting: target = work.path("newdir"); break;
    case Target::ExistingFolder: target = work.path("existing"); makeDirectories(target); break;
    case Target::ExistingFile: target = work.path("file.txt"); writeFile(target, "keep me\n"); break;
    }
    Installer app(work.makeSource("title Accepted\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, target));

    trigger(app, c.how);

    EXPECT_EQ(app.waitForExit(), 0u);
    if (c.target == Target::ExistingFile) {
        EXPECT_EQ(readFile(target).value_or("<missing>"), "keep me\n");
    } else {
        EXPECT_TRUE(isDirectory(target)) << target << " should be a folder";
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, StartAccepted,
                         ::testing::Values(AcceptedCase{"NewFolderByStartButton", Trigger::StartButton,
                                                        Target::NewFolderInExisting},
                                           AcceptedCase{"NewFolderByEnterKey", Trigger::EnterKey,
                                                        Target::NewFolderInExisting},
                                           AcceptedCase{"ExistingFolder", Trigger::StartButton,
                                                        Target::ExistingFolder},
                                           AcceptedCase{"ExistingFile", Trigger::EnterKey, Target::ExistingFile}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Refused targets ---------------------------------------------------------------

enum class BadPath { Empty, MissingParent };

struct RefusedCase {
    const char* name;
    Trigger how;
    BadPath path;
};

std::ostream& operator<<(std::ostream& out, const RefusedCase& c) {
    return out << c.name;
}

class StartRefused : public ::testing::TestWithParam<RefusedCase> {};

// A target that neither exists nor can be made as one folder is refused with
// "Invalid Directory"; everything stays as it was, nothing is created, and
// the user can correct the path and start again.
TEST_P(StartRefused, ShowsInvalidDirectoryAndLeavesEverythingAsItWas) {
    const RefusedCase& c = GetParam();
    Workspace work;
    std::string missingParent = work.path("missing");
    std::string bad = c.path == BadPath::Empty ? std::string() : joinPath(missingParent, "new");
    Installer app(work.makeSource("title Refused\n"));
    ASSERT_TRUE(app.waitForMainWindow());
    ASSERT_TRUE(app.setText(kEditBox, bad));
    Snapshot before = app.snapshot();

    trigger(app, c.how);

    auto box = app.waitForMessageBox("Error");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Invalid Directory");
    EXPECT_TRUE(box->iconSet) << "expected the error icon in the box";
    Screen screen = waitForScreen([&](const Screen& s) { return redIconPixels(*box, s) > 50; }, Millis(3000));
    EXPECT_GT(redIconPixels(*box, screen), 50) << "expected the red error icon";
    ASSERT_TRUE(app.answer(*box));
    ASSERT_TRUE(app.sync());

    EXPECT_TRUE(app.running());
    EXPECT_TRUE(IsWindow(app.mainWindow()) && IsWindowVisible(app.mainWindow()));
    EXPECT_EQ(differences(before, app.snapshot()), "") << "controls changed after the refusal";
    EXPECT_FALSE(pathExists(missingParent)) << missingParent << " should not have been created";

    // Corrected, the same command goes through.
    std::string good = work.path("good");
    ASSERT_TRUE(app.setText(kEditBox, good));
    trigger(app, c.how);
    EXPECT_EQ(app.waitForExit(), 0u);
    EXPECT_TRUE(isDirectory(good));
}

INSTANTIATE_TEST_SUITE_P(Paths, StartRefused,
                         ::testing::Values(RefusedCase{"EmptyByStartButton", Trigger::StartButton, BadPath::Empty},
                                           RefusedCase{"EmptyByEnterKey", Trigger::EnterKey, BadPath::Empty},
                                           RefusedCase{"MissingParentByStartButton", Trigger::StartButton,
                                                       BadPath::MissingParent},
                                           RefusedCase{"MissingParentByEnterKey", Trigger::EnterKey,
                                                       BadPath::MissingParent}),
                         [](const auto& info) { return std::string(info.param.name); });

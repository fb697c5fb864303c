// What the user meets when the installer starts: the error without a setup
// script, and the main window with its panel of controls.
#include "Harness.h"
#include "Layout.h"

#include <gtest/gtest.h>

using namespace e2e;

// Without install.inf the user sees nothing but the error box; answering it
// ends the program with exit code 1.
TEST(Startup, WithoutSetupScriptOnlyAnErrorBoxThenExitCode1) {
    Workspace work;
    std::string source = work.makeSource(std::nullopt, {{"readme.txt", "no script here\n"}});
    Installer app(source);
    ASSERT_TRUE(app.started());

    auto box = app.waitForMessageBox("Error");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Can't open INSTALL.INF");
    EXPECT_TRUE(box->iconSet) << "expected the error icon in the box";
    Screen screen = waitForScreen([&](const Screen& s) { return redIconPixels(*box, s) > 50; }, Millis(3000));
    EXPECT_GT(redIconPixels(*box, screen), 50) << "expected the red error icon";
    EXPECT_TRUE(app.topLevelWindows("Install").empty()) << "expected no main window, got:" << app.describeWindows();

    ASSERT_TRUE(app.answer(*box));
    EXPECT_EQ(app.waitForExit(), 1u);
}

// The edit box starts with "c:\" unless the script's dir line names a path.
TEST(Startup, EditBoxShowsDefaultDirectoryOrTheDirLine) {
    Workspace work;
    {
        Installer app(work.makeSource("title No dir line\n", {}, "plain"));
        ASSERT_TRUE(app.waitForMainWindow());
        EXPECT_EQ(app.text(kEditBox), "c:\\");
        app.click(kStopButton);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
    {
        Installer app(work.makeSource("title With dir line\r\ndir d:\\dict\r\n", {}, "withdir"));
        ASSERT_TRUE(app.waitForMainWindow());
        EXPECT_EQ(app.text(kEditBox), "d:\\dict");
        app.click(kStopButton);
        EXPECT_EQ(app.waitForExit(), 0u);
    }
}

// The main window covers the screen; the panel, prompt, edit box and three
// buttons stand at their fixed places, the chooser's lists and captions are
// hidden until asked for.
TEST(Startup, MainWindowShowsThePanelAndHidesTheChooser) {
    Workspace work;
    Installer app(work.makeSource("title Layout\n"));
    HWND main = app.waitForMainWindow();
    ASSERT_TRUE(main);

    RECT window;
    GetWindowRect(main, &window);
    EXPECT_EQ(toString(Rect{window.left, window.top, window.right - window.left, window.bottom - window.top}),
              toString(Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}))
        << "the main window should cover the screen";
    char caption[64] = "?";
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_STREQ(caption, "") << "the main window has no window text";

    for (const layout::Control& c : layout::kControls) {
        SCOPED_TRACE(controlName(c.id));
        ControlState state = app.controlState(c.id);
        ASSERT_TRUE(state.exists) << "no control with id " << c.id;
        EXPECT_EQ(state.visible, c.visibleAtStart);
        EXPECT_TRUE(state.enabled);
        if (c.visibleAtStart) {
            EXPECT_EQ(toString(state.rect), toString(c.rect));
        }
        if (c.text) {
            EXPECT_EQ(state.text, c.text);
        }
    }
    EXPECT_EQ(app.controlState(kEditBox).text, "c:\\");
    EXPECT_EQ(app.controlState(kFramePanel).text, "");

    app.click(kStopButton);
    EXPECT_EQ(app.waitForExit(), 0u);
}

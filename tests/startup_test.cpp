#include "startup.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

TEST(StartUp, NamesTheDesktopEntryThePackageInstalls)
{
    startup::SetUpApplication();
    const QString name = QGuiApplication::desktopFileName();
    EXPECT_EQ(name, "org.example.FutureCheck");
    EXPECT_TRUE(QDir(PACKAGING_DIR).exists(name + ".desktop")) << name.toStdString();
}

TEST(StartUp, WindowOpensCentredWithItsTitleBarOnTheScreen)
{
    const QSize window(450, 535);
    const struct
    {
        const char *screen;
        QRect available;
        QPoint topLeft;
    } cases[] = {
        {"larger", {0, 0, 1920, 1040}, {735, 253}},
        {"smaller", {0, 0, 800, 480}, {175, 0}},
        {"narrower and lower", {0, 0, 400, 600}, {0, 33}},
        {"second monitor to the right", {1920, 0, 1280, 1024}, {2335, 245}},
        {"smaller monitor left of and below the first", {-1024, 200, 400, 300}, {-1024, 200}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(startup::WindowPlacement(window, c.available), QRect(c.topLeft, window))
            << c.screen;
}

// On a screen whose taskbar takes a strip, the window opens centred in what
// is left, not on the whole screen. Run on X by window_tests_work_area, where
// the screen keeps a strip; elsewhere no screen does.
TEST(StartUp, WindowOpensInTheAvailableAreaOfItsScreen)
{
    QWidget window;
    window.resize(450, 535);
    const QScreen &screen = *window.screen();
    if (screen.availableGeometry() == screen.geometry()) {
        if (qEnvironmentVariableIsSet("FUTURECHECK_WORK_AREA"))
            FAIL() << "the display keeps no strip";
        GTEST_SKIP() << "no strip set aside on this screen";
    }
    startup::PlaceOnScreen(window);
    EXPECT_EQ(window.geometry(),
              startup::WindowPlacement(window.size(), screen.availableGeometry()));
    EXPECT_TRUE(screen.availableGeometry().contains(window.geometry()));
}

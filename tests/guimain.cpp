#include <QApplication>
#include <QFont>
#include <gtest/gtest.h>

// Widgets need one QApplication for the whole run. Test discovery runs this
// binary at build time without the test environment, so pick the headless
// platform here unless the caller chose one.
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The font the window's layout is drawn for, on every platform alike.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    return RUN_ALL_TESTS();
}

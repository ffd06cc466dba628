#include "fmtest.h"
#include "platformservices.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

#include <algorithm>

// No application display name is set: platforms append it to every window
// caption, which already starts with the tool's title (ui::ApplicationTitle()).
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Lets Wayland docks match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.FutureCheck"));

    ui::SystemServices services;
    fmTest window(services);
    window.load();
    const QRect screen = window.screen()->availableGeometry();
    QRect place = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), screen);
    // On a screen smaller than the window, keep its title bar reachable.
    place.moveTopLeft({std::max(place.left(), screen.left()), std::max(place.top(), screen.top())});
    window.setGeometry(place);
    window.show();
    return app.exec();
}

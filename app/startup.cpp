#include "startup.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>
#include <QWidget>

#include <algorithm>

namespace startup {

void SetUpApplication()
{
    // Lets Wayland docks match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // The Windows 11 style and the title bar follow the scheme, not the palette.
    QGuiApplication::styleHints()->setColorScheme(Qt::ColorScheme::Light);
#endif
}

QRect WindowPlacement(QSize size, QRect available)
{
    QRect place = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available);
    place.moveTopLeft(
        {std::max(place.left(), available.left()), std::max(place.top(), available.top())});
    return place;
}

void PlaceOnScreen(QWidget &window)
{
    window.setGeometry(WindowPlacement(window.size(), window.screen()->availableGeometry()));
}

} // namespace startup

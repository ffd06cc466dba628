#include "startup.h"

#include "fmtestform.h"
#include "platformservices.h"

#include <QEvent>
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

namespace {

// Places the window, and again whenever its frame turns out to be another
// than the one it was placed with; a user's move leaves the frame as it is.
class Placement : public QObject
{
    Q_OBJECT

public:
    Placement(QWidget &window, ui::fmTestForm &form)
        : QObject(&window), window_(window), form_(form)
    {
        window.installEventFilter(this);
    }

    void place()
    {
        frame_ = frame();
        const QRect available = window_.screen()->availableGeometry();
        form_.fitWithin(available.size().shrunkBy(frame_));
        const QPoint corner = WindowPlacement(window_.size().grownBy(frame_), available).topLeft();
        // Before the frame is known, move() has the platform put its corner
        // there; once it is, the client area goes where that frame puts it.
        if (frame_.isNull())
            window_.move(corner);
        else
            window_.setGeometry(
                QRect(corner + QPoint(frame_.left(), frame_.top()), window_.size()));
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if ((event->type() == QEvent::Show || event->type() == QEvent::Move) && frame() != frame_)
            place();
        return false;
    }

private:
    QMargins frame() const { return ui::WindowFrame(window_); }

    QWidget &window_;
    ui::fmTestForm &form_;
    QMargins frame_;
};

} // namespace

void PlaceOnScreen(QWidget &window, ui::fmTestForm &form)
{
    auto *placement = window.findChild<Placement *>(QString(), Qt::FindDirectChildrenOnly);
    if (!placement)
        placement = new Placement(window, form);
    placement->place();
}

} // namespace startup

#include "startup.moc"

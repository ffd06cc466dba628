#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace ui {
class fmTestForm;
}

namespace startup {

// The id of the desktop entry (packaging/), which names the program and its icon.
inline constexpr char kDesktopFileName[] = "org.example.FutureCheck";

// Names the program to the platform and asks it for the light look the
// window is drawn for. Run once, right after the QApplication is made.
void SetUpApplication();

// Where a window of `size`, its frame included, opens on a screen whose free
// area is `available`: centred, but with its top-left corner never beyond the
// free area, so the title bar stays reachable.
QRect WindowPlacement(QSize size, QRect available);

// Lays the window out to fit, frame and all, in what the taskbar and docks
// leave of its screen, shrinking it there if need be, and places it so. Run
// before the window is shown; it does so again once the platform has given
// the window a frame of another size, as X11 window managers do only after
// the window is shown.
void PlaceOnScreen(QWidget &window, ui::fmTestForm &form);

} // namespace startup

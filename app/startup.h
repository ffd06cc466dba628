#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace startup {

// The id of the desktop entry (packaging/), which names the program and its icon.
inline constexpr char kDesktopFileName[] = "org.example.FutureCheck";

// Names the program to the platform and asks it for the light look the
// window is drawn for. Run once, right after the QApplication is made.
void SetUpApplication();

// Where a window of `size` opens on a screen whose free area is `available`:
// centred, but with its top-left corner never beyond the free area, so the
// title bar stays reachable on a screen smaller than the window.
QRect WindowPlacement(QSize size, QRect available);

// Places the window so on its screen, leaving out what the taskbar and docks
// take.
void PlaceOnScreen(QWidget &window);

} // namespace startup

#pragma once

#include <QtGlobal>

namespace ui {

// The window is laid out in twips; 15 of them make one logical pixel, which
// Qt then scales to the screen, so high-DPI screens get a sharp, full-size window.
constexpr int Twips(int twips)
{
    return twips >= 0 ? (twips + 7) / 15 : -((7 - twips) / 15);
}

// Twips in logical pixels with the layout grown or shrunk `scale` times.
inline int Twips(int twips, double scale)
{
    return qRound(twips * scale / 15);
}

} // namespace ui

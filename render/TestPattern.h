// The picture shown in place of the camera while there is no video: colour
// bars with a sweep and a running clock, so that a frozen scene is obvious.
#pragma once

#include <QImage>
#include <QSize>

namespace tarnvik {

// Draws the pattern for a moment of render time. The same size and time give
// the same picture, so the scene can be rendered again and compared. An empty
// size gives a null image.
QImage testPattern(QSize size, double seconds);

} // namespace tarnvik

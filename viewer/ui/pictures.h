// The window's pictures, drawn in code so that the program needs no image
// files: the sunset icon (also the flag mark), the four arrows and the faces
// of the action buttons.
#pragma once

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace ndr {

enum class ArrowDirection { Up, Down, Left, Right };

// The sunset on a square of side s from (0, 0): the window icon, the flag
// mark and, rendered at build time, the desktop icon.
void PaintSunset(QPainter& p, qreal s);
QPixmap SunsetPicture(int size);
QIcon SunsetIcon();
QPixmap ArrowPicture(ArrowDirection direction, int width, int height);
QPixmap WarningPicture(int size);
QPixmap FacePicture(bool smiling, int size);
QPixmap ConcentricSquaresPicture(int size);

}  // namespace ndr

// The window's pictures painted from the form's drawings, so that the program
// needs no image files: the sunset icon (also the flag mark), the arrows and
// the faces of the action buttons.
#pragma once

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "form_layout.h"

namespace ndr {

// The picture on a transparent pixmap, in the largest square that fits.
QPixmap RenderPicture(Picture picture, int width, int height);
// The sunset on a square of side s from (0, 0): the window icon, the flag
// mark and, rendered at build time, the desktop icon.
void PaintSunset(QPainter& p, qreal s);
QPixmap SunsetPicture(int size);
QIcon SunsetIcon();

}  // namespace ndr

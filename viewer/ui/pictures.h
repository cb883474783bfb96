// The window's pictures, drawn in code so that the program needs no image
// files: the sunset icon (also the flag mark), the four arrows and the faces
// of the action buttons.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ndr {

enum class ArrowDirection { Up, Down, Left, Right };

QPixmap SunsetPicture(int size);
QIcon SunsetIcon();
QPixmap ArrowPicture(ArrowDirection direction, int width, int height);
QPixmap WarningPicture(int size);
QPixmap FacePicture(bool smiling, int size);
QPixmap ConcentricSquaresPicture(int size);

}  // namespace ndr

// The window's pictures painted from the form's drawings, so that the program
// needs no image files: the sunset icon (also the flag mark), the arrows and
// the faces of the action buttons.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "form_layout.h"

namespace ndr {

// The picture on a transparent pixmap, in the largest square that fits.
QPixmap RenderPicture(Picture picture, int width, int height);
QIcon SunsetIcon();

}  // namespace ndr

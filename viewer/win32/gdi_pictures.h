// The form's drawings painted with GDI, and the window icon made from one.
#pragma once

#include "desk_protocol.h"

namespace ndr::win32 {

inline COLORREF ToColorRef(const Rgb& colour) {
  return RGB(colour.r, colour.g, colour.b);
}

// Paints the picture into the largest square centred in the rectangle.
void DrawPicture(HDC dc, Picture picture, const RECT& place);
// An icon of the picture, size by size pixels; the caller destroys it.
HICON MakePictureIcon(Picture picture, int size);

}  // namespace ndr::win32

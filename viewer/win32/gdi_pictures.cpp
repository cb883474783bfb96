#include "gdi_pictures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ndr::win32 {
namespace {

constexpr double kPi = 3.14159265358979323846;

class Placement {
 public:
  explicit Placement(const RECT& place) {
    const int width = place.right - place.left, height = place.bottom - place.top;
    side_ = std::min(width, height);
    left_ = place.left + (width - side_) / 2;
    top_ = place.top + (height - side_) / 2;
  }
  POINT At(const UnitPoint& u) const {
    return {left_ + static_cast<LONG>(std::lround(u.x * side_)),
            top_ + static_cast<LONG>(std::lround(u.y * side_))};
  }
  int Side() const { return side_; }

 private:
  int left_ = 0, top_ = 0, side_ = 0;
};

void DrawShape(HDC dc, const Shape& shape, const Placement& placement) {
  HPEN pen = nullptr;
  if (shape.pen) {
    const int width = std::max(1, static_cast<int>(std::lround(shape.penWidth * placement.Side())));
    pen = CreatePen(PS_SOLID, width, ToColorRef(*shape.pen));
  }
  HBRUSH brush = shape.fill ? CreateSolidBrush(ToColorRef(*shape.fill)) : nullptr;
  HGDIOBJ oldPen =
      SelectObject(dc, pen != nullptr ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush =
      SelectObject(dc, brush != nullptr ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
  std::vector<POINT> points;
  for (const UnitPoint& u : shape.points)
    points.push_back(placement.At(u));
  // A shape without a pen leaves out its right and bottom edge in GDI.
  const int extra = pen == nullptr ? 1 : 0;
  switch (shape.kind) {
    case ShapeKind::Rect:
      Rectangle(dc, points[0].x, points[0].y, points[1].x + extra, points[1].y + extra);
      break;
    case ShapeKind::Ellipse:
      Ellipse(dc, points[0].x, points[0].y, points[1].x + extra, points[1].y + extra);
      break;
    case ShapeKind::Polygon:
      Polygon(dc, points.data(), static_cast<int>(points.size()));
      break;
    case ShapeKind::Arc: {
      // GDI draws anticlockwise from the start radial to the end radial.
      const double cx = (points[0].x + points[1].x) / 2.0, cy = (points[0].y + points[1].y) / 2.0;
      const double rx = (points[1].x - points[0].x) / 2.0, ry = (points[1].y - points[0].y) / 2.0;
      const double a0 = shape.startDegrees * kPi / 180;
      const double a1 = (shape.startDegrees + shape.spanDegrees) * kPi / 180;
      Arc(dc, points[0].x, points[0].y, points[1].x, points[1].y,
          static_cast<int>(std::lround(cx + rx * std::cos(a0))),
          static_cast<int>(std::lround(cy - ry * std::sin(a0))),
          static_cast<int>(std::lround(cx + rx * std::cos(a1))),
          static_cast<int>(std::lround(cy - ry * std::sin(a1))));
      break;
    }
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  if (pen != nullptr)
    DeleteObject(pen);
  if (brush != nullptr)
    DeleteObject(brush);
}

}  // namespace

void DrawPicture(HDC dc, Picture picture, const RECT& place) {
  const Placement placement(place);
  if (placement.Side() <= 0)
    return;
  for (const Shape& shape : PictureShapes(picture))
    DrawShape(dc, shape, placement);
}

HICON MakePictureIcon(Picture picture, int size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(dc, colour);
  const RECT all{0, 0, size, size};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  DrawPicture(dc, picture, all);
  SelectObject(dc, mask);
  // The picture fills its square: nothing is transparent.
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectObject(dc, old);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return icon;
}

}  // namespace ndr::win32

// Renders the viewer's desktop icon from the same drawing as its window
// icon: PNG files at the usual sizes and, where Qt's SVG module is built in,
// one scalable SVG, laid out as an icon theme's tree:
//   render_icons OUT  ->  OUT/hicolor/NxN/apps/ndr_Desk.png,
//                         OUT/hicolor/scalable/apps/ndr_Desk.svg
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>

#ifdef NDR_ICON_SVG
#include <QSvgGenerator>
#endif

#include "pictures.h"

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr char kIconName[] = "ndr_Desk";

QString IconFile(const QString& root, const QString& sizeFolder, const char* extension) {
  const QString folder = root + "/hicolor/" + sizeFolder + "/apps";
  QDir().mkpath(folder);
  return folder + "/" + kIconName + "." + extension;
}

bool RenderPng(const QString& root, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    ndr::PaintSunset(painter, size);
  }
  const QString name = QString::number(size);
  return image.save(IconFile(root, name + "x" + name, "png"), "PNG");
}

#ifdef NDR_ICON_SVG
bool RenderSvg(const QString& root) {
  const int side = 256;  // the drawing's units; the picture scales freely
  QSvgGenerator svg;
  svg.setFileName(IconFile(root, "scalable", "svg"));
  svg.setSize(QSize(side, side));
  svg.setViewBox(QRect(0, 0, side, side));
  svg.setTitle("Returned Mail Desk");
  QPainter painter;
  if (!painter.begin(&svg))
    return false;
  ndr::PaintSunset(painter, side);
  return painter.end();
}
#endif

}  // namespace

int main(int argc, char* argv[]) {
  // Not needed for the drawing, but it gives the SVG painter a real default
  // font, which the generator writes into the file.
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_icons OUTPUT-FOLDER\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  for (int size : kSizes)
    ok = RenderPng(root, size) && ok;
#ifdef NDR_ICON_SVG
  ok = RenderSvg(root) && ok;
#endif
  if (!ok)
    std::fprintf(stderr, "render_icons: cannot write the icons under %s\n", argv[1]);
  return ok ? 0 : 1;
}

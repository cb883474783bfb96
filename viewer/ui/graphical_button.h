// A push button that paints itself in one face colour with an optional
// picture or caption, so that the colour is exactly the one asked for
// whatever the widget style.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace ndr {

class GraphicalButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit GraphicalButton(QWidget* parent = nullptr);
  void SetFace(const QColor& face);
  void SetPicture(const QPixmap& picture);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor face_;
  QPixmap picture_;
};

}  // namespace ndr

// A frame with a caption on its top border and its own background colour,
// laid out by absolute positions like the rest of the window. Reports a
// double-click on itself (not on its children).
#pragma once

#include <QColor>
#include <QWidget>

namespace ndr {

class FrameBox : public QWidget {
  Q_OBJECT

 public:
  explicit FrameBox(const QString& caption, QWidget* parent = nullptr);
  void SetColours(const QColor& background, const QColor& captionColour);
  QString Caption() const { return caption_; }

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QString caption_;
  QColor background_;
  QColor captionColour_;
};

}  // namespace ndr

// What only the Qt window shows beside the scenarios both windows share
// (window_behaviour.h): the flag's picture, and closing or input during a
// scan.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>

#include "window_harness.h"

using ndr::testsupport::FileExists;
using ndr::uitest::Harness;
using ndr::uitest::kBounces;

namespace {

bool Exists(const std::string& subPath) {
  return FileExists(kBounces + subPath);
}

}  // namespace

class DeskWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ndr::uitest::BuildStandardTree(); }

  void flagShowsTheSunsetAtTheSubjectsRightEdge() {
    Harness h;
    QVERIFY(h.Start());
    h.ClickCell(1, 2);
    h.ClickCell(2, 5, Qt::ShiftModifier);
    h.Click("cmd_FLAG");
    auto& g = h.TheGrid();
    QCOMPARE(g.CellPictureAt(1, 3), h.window.FlagPicture());
    QCOMPARE(g.CellPictureAt(2, 3), h.window.FlagPicture());
    QCOMPARE(g.CellPictureAt(3, 3), ndr::kNoPicture);
    QCOMPARE(h.Text("txt_NbSelV"), QString("2"));  // the selection is kept

    auto pixelAtRightEdge = [&h](std::int32_t row) {
      h.ClickCell(5, 1);  // away, so that no flagged cell is highlighted
      const QRect cell = h.View()->visualRect(h.window.model()->index(row - 1, 2));
      const QImage image = h.View()->viewport()->grab().toImage();
      return QColor(image.pixel(cell.right() - 3, cell.center().y()));
    };
    const ndr::Rgb cell = ndr::GridAppearance().cellBackground;
    const QColor cellColour(cell.r, cell.g, cell.b);
    QVERIFY(pixelAtRightEdge(1) != cellColour);
    h.ClickCell(1, 3);
    h.Click("cmd_UNFLAG");
    QCOMPARE(g.CellPictureAt(1, 3), ndr::kNoPicture);
    QCOMPARE(pixelAtRightEdge(1), cellColour);
    QVERIFY(pixelAtRightEdge(2) != cellColour);
  }

  void closingDuringAScanEndsIt() {
    Harness h;
    QVERIFY(h.Start());
    bool closedWhileBusy = false;
    QObject::connect(&h.window, &ndr::DeskWindow::busyChanged, &h.window, [&](bool busy) {
      if (busy && !closedWhileBusy) {
        closedWhileBusy = true;
        QTimer::singleShot(0, &h.window, &QWidget::close);
      }
    });
    h.Click("cmd_GO");
    QTRY_VERIFY(!h.window.isVisible());
    QVERIFY(closedWhileBusy);
  }

  void inputDuringAScanIsDropped() {
    Harness h;
    QVERIFY(h.Start());
    h.ClickCell(1, 1);
    QAbstractButton* remove = h.Widget<QAbstractButton>("cmd_DELETE");
    QObject::connect(&h.window, &ndr::DeskWindow::busyChanged, remove, [remove](bool busy) {
      if (!busy)
        return;
      const QPointF at(remove->width() / 2.0, remove->height() / 2.0);
      for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(
            remove, new QMouseEvent(type, at, remove->mapToGlobal(at), Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier));
      }
    });
    h.Click("cmd_GO");
    QCoreApplication::processEvents();
    QCOMPARE(h.Names().size(), std::size_t{5});
    QVERIFY(Exists("\\a.cnm") && Exists("\\b.cnm") && Exists("\\c.cnm"));
  }
};

QTEST_MAIN(DeskWindowTest)
#include "ui_window_test.moc"

// What only the Qt window shows beside the scenarios both windows share
// (window_behaviour.h): the form's colours and the flag as painted, and
// input during a scan.
#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "desk_window.h"
#include "form_layout.h"
#include "grid_model.h"
#include "test_support.h"

namespace {

using ndr::ControlId;
const std::string kBounces = "P:\\Diverido\\Mail\\~Bounces";

QColor Colour(ndr::Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

// The window over five bounces a.cnm to e.cnm, started.
struct Window {
  ndr::DeskWindow window;
  Window() {
    std::vector<ndr::testsupport::TreeEntry> entries;
    for (char c = 'a'; c <= 'e'; ++c)
      entries.emplace_back(std::string(1, c) + ".cnm", "Subject: S\r\n\r\nbody\r\n");
    ndr::testsupport::BuildTree(kBounces, entries);
    window.SetProgramStarter([](const ndr::ProgramLaunch&) { return true; });
    window.Start();
  }
  QWidget* Widget(ControlId id, int index = 0) {
    return window.findChild<QWidget*>(QString::fromStdString(ndr::ControlKey(id, index)));
  }
  void Click(ControlId id) { QTest::mouseClick(Widget(id), Qt::LeftButton); }
  void ClickCell(int row, int col) {
    QTest::mouseClick(window.view()->viewport(), Qt::LeftButton, {}, CellRect(row, col).center());
  }
  QRect CellRect(int row, int col) {
    return window.view()->visualRect(window.model()->index(row - 1, col - 1));
  }
  // The colour just inside a body cell's right edge, no cell selected.
  QColor RightEdgeOf(int row, int col) {
    window.grid().Select(0, 0, 0, 0);
    const QImage image = window.view()->viewport()->grab().toImage();
    const QRect cell = CellRect(row, col);
    return image.pixel(cell.right() - 3, cell.center().y());
  }
};

}  // namespace

class DeskWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Away from captions, pictures and indicators: the right end of each
  // control, a cell left of its right-aligned number, the area below the
  // rows; and a flagged subject shows the flag at its right edge.
  void controlsCellsAndFlagShowTheirColours() {
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    for (const auto& [id, index] : {std::pair{ControlId::cmd_GO, 0},
                                    {ControlId::Option1, 2},
                                    {ControlId::Option3, 4},
                                    {ControlId::cmd_RELEASE, 0}}) {
      QWidget* widget = w.Widget(id, index);
      QCOMPARE(QColor(widget->grab().toImage().pixel(widget->width() - 4, 2)),
               Colour(ndr::FindControl(id, index)->background.value()));
    }
    const QColor cell = Colour(ndr::GridAppearance().cellBackground);
    const QImage cells = w.window.view()->viewport()->grab().toImage();
    QCOMPARE(QColor(cells.pixel(w.CellRect(3, 2).topLeft() + QPoint(3, 3))), cell);
    QCOMPARE(QColor(cells.pixel(cells.width() / 2, cells.height() - 4)),
             Colour(ndr::GridAppearance().emptyArea));
    QCOMPARE(w.RightEdgeOf(1, 3), cell);
    w.ClickCell(1, 3);
    w.Click(ControlId::cmd_FLAG);
    QVERIFY(w.RightEdgeOf(1, 3) != cell);
  }

  void inputDuringAScanIsDropped() {
    Window w;
    w.ClickCell(1, 1);
    QWidget* remove = w.Widget(ControlId::cmd_DELETE);
    QObject::connect(&w.window, &ndr::DeskWindow::busyChanged, remove, [remove](bool busy) {
      if (!busy)
        return;
      const QPointF at(remove->width() / 2.0, remove->height() / 2.0);
      for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QCoreApplication::postEvent(
            remove, new QMouseEvent(type, at, remove->mapToGlobal(at), Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier));
      }
    });
    w.Click(ControlId::cmd_GO);
    QCoreApplication::processEvents();
    QCOMPARE(w.window.model()->rowCount(), 5);
    QCOMPARE(ndr::testsupport::FileNames(kBounces).size(), std::size_t{5});
  }
};

QTEST_MAIN(DeskWindowTest)
#include "ui_window_test.moc"

// The table model over the core's grid: consistent through every kind of
// change the grid makes, what each change announces, and pictures.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "grid_cell_delegate.h"
#include "grid_model.h"

using ndr::Grid;
using ndr::GridTableModel;

namespace {

void Fill(Grid& grid, int rows) {
  for (int r = 0; r < rows; ++r) {
    const std::int32_t last = grid.Rows() - 1;
    grid.SetTextMatrix(last, 1, "name" + std::to_string(r));
    grid.SetTextMatrix(last, 2, std::to_string((r * 7919) % 1000));
    grid.AddItem(std::to_string(last + 1));
  }
}

}  // namespace

class ModelTest : public QObject {
  Q_OBJECT

 private slots:
  // Through every kind of change the grid makes, with rows announced one by
  // one or in batches as a scan adds them, where removals, the selection and
  // the end of the scan each announce what is pending first.
  void staysConsistentThroughEveryGridChange() {
    for (bool batched : {false, true}) {
      Grid grid;
      GridTableModel model(grid);
      QAbstractItemModelTester tester(&model,
                                      QAbstractItemModelTester::FailureReportingMode::QtTest);
      grid.SetFormatString(" >|< | >|< |< |< |< |< |< |< |> ");
      model.SetDeferAppends(batched);
      Fill(grid, 50);
      grid.RemoveItem(3);
      QCOMPARE(model.rowCount(), grid.Rows() - 1);
      Fill(grid, 30);
      grid.RemoveItems({2, 40, 60});
      QCOMPARE(model.rowCount(), grid.Rows() - 1);
      Fill(grid, 10);
      grid.Select(grid.Rows() - 1, 1, grid.Rows() - 1, 1);
      QCOMPARE(model.rowCount(), grid.Rows() - 1);
      Fill(grid, 10);
      model.FlushPendingRows();
      QCOMPARE(model.rowCount(), grid.Rows() - 1);
      Fill(grid, 7);
      model.SetDeferAppends(false);
      QCOMPARE(model.rowCount(), grid.Rows() - 1);
      QCOMPARE(model.data(model.index(model.rowCount() - 2, 0)).toString(), QString("name6"));
      grid.Select(1, 2, grid.Rows() - 1, 2);
      grid.Sort(1);
      grid.SetRows(4);
      QCOMPARE(model.rowCount(), 3);
      grid.Clear();
      grid.SetRows(2);
      QCOMPARE(model.rowCount(), 1);
    }
  }

  // A header cell announces a header change, a body cell a cell change;
  // 8-bit text shows as its characters.
  void changesAnnounceTheirOwnPlace() {
    Grid grid;
    GridTableModel model(grid);
    grid.SetFormatString(" >|< | >|< |< |< |< |< |< |< |> ");
    grid.SetTextMatrix(1, 3, "Caf\xE9");
    QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy cells(&model, &QAbstractItemModel::dataChanged);
    grid.SetTextMatrix(0, 3, "Subject:+");
    grid.SetTextMatrix(1, 4, "x");
    QCOMPARE(headers.size(), 1);
    QCOMPARE(headers[0][0].value<Qt::Orientation>(), Qt::Horizontal);
    QCOMPARE(headers[0][1].toInt(), 2);
    QCOMPARE(cells.size(), 1);
    QCOMPARE(cells[0][0].toModelIndex(), model.index(0, 3));
    QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("Caf\u00E9"));
    QVERIFY(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() &
            Qt::AlignRight);                            // Size
    QVERIFY(!model.data(model.index(5, 5)).isValid());  // beyond the grid
  }

  // The flag's place and size come from the delegate (the window test sees
  // it painted); a handle without a picture shows nothing.
  void cellPicturesComeWithTheirAlignment() {
    Grid grid;
    GridTableModel model(grid);
    grid.Select(1, 3, 1, 3);
    grid.SetCellPicture(99);
    QVERIFY(!model.data(model.index(0, 2), GridTableModel::PictureRole).isValid());
    // 7: against the right edge, centred up and down; 0: top left.
    const QRect rect(10, 20, 40, 16);
    QCOMPARE(ndr::GridCellDelegate::PictureRect(rect, {12, 12}, 7), QRect(38, 22, 12, 12));
    QCOMPARE(ndr::GridCellDelegate::PictureRect(rect, {12, 12}, 0), QRect(10, 20, 12, 12));
    QCOMPARE(ndr::GridCellDelegate::PictureRect(rect, {32, 32}, 7).size(), QSize(16, 16));
  }
};

QTEST_MAIN(ModelTest)
#include "ui_model_test.moc"

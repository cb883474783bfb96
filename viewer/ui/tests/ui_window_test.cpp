// The viewer's window on real folders: start-up, folder choices, grid work
// through the mouse and keyboard, and every action from its button or menu.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>

#include "window_harness.h"

using ndr::PopupMenu;
using ndr::testsupport::FileExists;
using ndr::uitest::Harness;
using ndr::uitest::kBounces;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

bool Exists(const std::string& subPath) {
  return FileExists(kBounces + subPath);
}

}  // namespace

class DeskWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ndr::uitest::BuildStandardTree(); }

  void startupListsTheDefaultFolderOnce() {
    Harness h;
    QVERIFY(h.Start());
    QCOMPARE(h.scans, 1);
    QCOMPARE(h.window.windowTitle(), QString("Returned Mail Desk"));
    QVERIFY(!h.window.windowIcon().isNull());
    const std::vector<std::string> expected = {"a.cnm", "b.cnm", "c.cnm", "d.q0", "d.q1"};
    QCOMPARE(Sorted(h.Names()), expected);
    QCOMPARE(h.window.model()->rowCount(), 5);
    QCOMPARE(h.Text("txt_Info1"), QString("5"));
    QCOMPARE(h.Text("txt_Info3"), QString("1"));
    QVERIFY(h.Widget<QRadioButton>("Option1_1")->isChecked());
    QVERIFY(h.Widget<QRadioButton>("Option2_6")->isChecked());
    QVERIFY(h.Widget<QRadioButton>("Option3_1")->isChecked());
    QVERIFY(!h.Widget("txt_DIR")->isVisible());
    // Headers show row 0 and column 0 of the grid, the degree sign included.
    QCOMPARE(h.HeaderText(1), QString("Name: "));
    QCOMPARE(h.window.findChild<QLabel*>("MSFlexGrid1_corner")->text(), QStringLiteral("N\u00B0 "));
    QCOMPARE(h.window.model()->headerData(0, Qt::Vertical).toString(), QString("1"));
    // A few positions, in pixels of this screen.
    QCOMPARE(h.Widget("cmd_RELEASE")->geometry(),
             QRect(h.window.Px(11520), h.window.Px(720), h.window.Px(255), h.window.Px(375)));
    QCOMPARE(h.Widget("txt_Info2")->geometry().topLeft(),
             QPoint(h.window.Px(840), h.window.Px(240)));
    QCOMPARE(h.View()->geometry().topLeft(), QPoint(h.window.Px(120), h.window.Px(1200)));
    QCOMPARE(h.View()->horizontalHeader()->sectionSize(3),  // Date: 18 units of 124 twips
             h.window.Px(18 * 124));
  }

  void optionChangesReloadTheirFolder() {
    Harness h;
    QVERIFY(h.Start());
    h.Click("Option3_2");  // \Wait
    QCOMPARE(h.scans, 2);
    QCOMPARE(h.Names(), std::vector<std::string>{"w1.cnm"});
    h.Click("Option1_2");  // the second remailer, same subfolder
    QCOMPARE(h.scans, 3);
    QCOMPARE(h.Names(), std::vector<std::string>{"z.cnm"});
    h.Click("Option1_2");  // already selected: nothing to reload
    QCOMPARE(h.scans, 3);
    h.Click("cmd_GO");
    QCOMPARE(h.scans, 4);
    h.Click("Option1_1");
    h.Click("Option3_1");
    QCOMPARE(h.Names().size(), std::size_t{5});
  }

  void headerPressesSortAndMark() {
    Harness h;
    QVERIFY(h.Start());
    h.PressHeader(2);  // Size
    QCOMPARE(h.HeaderText(2), QString("Size:+"));
    QCOMPARE(h.Names(), (std::vector<std::string>{"d.q1", "b.cnm", "c.cnm", "a.cnm", "d.q0"}));
    h.PressHeader(2);
    QCOMPARE(h.HeaderText(2), QString("Size:-"));
    QCOMPARE(h.Names().front(), std::string("d.q0"));
    h.PressHeader(3);  // Subject
    QCOMPARE(h.HeaderText(3), QString("Subject:+"));
    QCOMPARE(h.HeaderText(2), QString("Size: "));
    QCOMPARE(h.Names(), (std::vector<std::string>{"b.cnm", "d.q0", "a.cnm", "c.cnm", "d.q1"}));
    // A header press makes the header cell the selection: nothing of the
    // body is shown selected.
    QVERIFY(h.View()->selectionModel()->selectedIndexes().isEmpty());
  }

  void selectionsCountAndReachTheGrid() {
    Harness h;
    QVERIFY(h.Start());
    QTest::keyClick(h.View(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(h.Text("txt_NbSelV"), QString("5"));
    QCOMPARE(h.Text("txt_NbSelH"), QString("11"));
    QCOMPARE(h.View()->selectionModel()->selectedIndexes().size(), 55);

    // From row 5, column 4 to row 3, column 2: the anchor stays where the
    // selection began, whichever way it was extended.
    h.ClickCell(5, 4);
    h.ClickCell(3, 2, Qt::ShiftModifier);
    QCOMPARE(h.Text("txt_NbSelV"), QString("3"));
    QCOMPARE(h.Text("txt_NbSelH"), QString("3"));
    auto& g = h.TheGrid();
    QCOMPARE(std::vector<int>({g.Row(), g.Col(), g.RowSel(), g.ColSel()}),
             std::vector<int>({5, 4, 3, 2}));

    // The arrow buttons move the grid's cell, and the view follows.
    h.ClickCell(2, 2);
    h.Click("cmd_DN");
    h.Click("cmd_RT");
    QCOMPARE(h.View()->currentIndex(), h.window.model()->index(2, 2));
    h.Click("cmd_HO");
    QCOMPARE(g.Row(), 0);
    QVERIFY(h.View()->selectionModel()->selectedIndexes().isEmpty());
  }

  void deleteKeyActsOnRelease() {
    Harness h;
    QVERIFY(h.Start());
    const std::int32_t row = h.RowOf("b.cnm");
    h.ClickCell(row, 3);
    QTest::keyPress(h.View(), Qt::Key_Delete);
    QVERIFY(Exists("\\b.cnm"));
    // A held key repeats its release; that is not the key coming up.
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(h.View(), &repeated);
    QVERIFY(Exists("\\b.cnm"));
    QTest::keyRelease(h.View(), Qt::Key_Delete);
    QVERIFY(!Exists("\\b.cnm"));
    QCOMPARE(h.RowOf("b.cnm"), -1);
    QCOMPARE(h.window.model()->rowCount(), 4);
  }

  void buttonsAndMenuItemsMoveOrDeleteFiles_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("target");  // "" when the file is deleted
    QTest::newRow("Errore") << "cmd_ERRORE"
                            << "a.cnm"
                            << "\\Errors\\a.cnm";
    QTest::newRow("Hold") << "cmd_HOLD"
                          << "a.cnm"
                          << "\\Wait\\a.cnm";
    QTest::newRow("Delete") << "cmd_DELETE"
                            << "c.cnm"
                            << "";
    QTest::newRow("Delete pair") << "MnuPOPBDelete"
                                 << "d.q0"
                                 << "";
    QTest::newRow("Move4") << "MnuPOPBMove4"
                           << "c.cnm"
                           << "\\Local\\c.cnm";
    QTest::newRow("Hold pair") << "MnuPOPBHold"
                               << "d.q0"
                               << "\\Wait\\d.q0";
  }
  void buttonsAndMenuItemsMoveOrDeleteFiles() {
    QFETCH(QString, control);
    QFETCH(QString, file);
    QFETCH(QString, target);
    Harness h;
    QVERIFY(h.Start());
    const std::string name = file.toStdString();
    h.ClickCell(h.RowOf(name), 5);
    const QByteArray controlName = control.toLatin1();
    if (control.startsWith("cmd_"))
      h.Click(controlName.constData());
    else
      h.Action(controlName.constData())->trigger();
    QVERIFY(!Exists("\\" + name));
    QCOMPARE(h.RowOf(name), -1);
    if (!target.isEmpty())
      QVERIFY(Exists(target.toStdString()));
    const bool pair = file.endsWith(".q0");
    QCOMPARE(Exists("\\d.q1"), !pair);  // the partner goes with its ".q0"
    QCOMPARE(h.Names().size(), std::size_t{4});
    QCOMPARE(h.Text("txt_NbSelV"), QString("1"));  // the header corner cell
  }

  void releaseBringsAHeldMessageBack() {
    Harness h;
    QVERIFY(h.Start());
    h.Click("Option3_2");
    h.ClickCell(1, 1);
    h.Click("cmd_RELEASE");
    QVERIFY(Exists("\\w1.cnm"));
    QVERIFY(!Exists("\\Wait\\w1.cnm"));
    // The last row gone, the grid shows its empty state.
    QCOMPARE(h.Names(), std::vector<std::string>{""});
    QCOMPARE(h.window.model()->headerData(0, Qt::Vertical).toString(), QString("001"));
  }

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
    const QColor cellColour(128, 255, 255);
    QVERIFY(pixelAtRightEdge(1) != cellColour);
    h.ClickCell(1, 3);
    h.Click("cmd_UNFLAG");
    QCOMPARE(g.CellPictureAt(1, 3), ndr::kNoPicture);
    QCOMPARE(pixelAtRightEdge(1), cellColour);
    QVERIFY(pixelAtRightEdge(2) != cellColour);
  }

  void viewingStartsTheEditorPerRow() {
    Harness h;
    QVERIFY(h.Start());
    const std::int32_t row = h.RowOf("d.q0");
    h.ClickCell(row, 3);
    h.Click("cmd_MAGIC2");
    QCOMPARE(h.started.size(), std::size_t{2});
    QCOMPARE(h.started[0].commandLine, "EditPad.exe " + kBounces + "\\d.q0");
    QCOMPARE(h.started[1].commandLine, "EditPad.exe " + kBounces + "\\d.q1");
    h.Click("cmd_MAGIC1");
    QCOMPARE(h.started.size(), std::size_t{3});

    // Double-click: the Subject cell and the row number open the message,
    // other columns and the header do not.
    // (A double-click is a click, then the double-click event.)
    h.started.clear();
    auto doubleClick = [](QWidget* widget, const QPoint& at) {
      QTest::mouseClick(widget, Qt::LeftButton, {}, at);
      QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
      QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    };
    doubleClick(h.View()->viewport(), h.CellCentre(row, 3));
    QCOMPARE(h.started.size(), std::size_t{1});
    doubleClick(h.View()->viewport(), h.CellCentre(row, 2));
    QCOMPARE(h.started.size(), std::size_t{1});
    QHeaderView* numbers = h.View()->verticalHeader();
    const QPoint number(numbers->width() / 2, numbers->sectionViewportPosition(row - 1) + 4);
    doubleClick(numbers->viewport(), number);
    QCOMPARE(h.started.size(), std::size_t{2});
    QCOMPARE(h.started[1].commandLine, "EditPad.exe " + kBounces + "\\d.q0");
  }

  void appsAndExplorerMenusStartPrograms() {
    Harness h;
    QVERIFY(h.Start());
    h.Click("Option3_3");
    const int scans = h.scans;
    h.Action("MnuSApps_2")->trigger();
    QCOMPARE(h.scans, scans + 1);  // reloads at once
    QCOMPARE(h.started.back().commandLine, "ndr_Carry.exe " + kBounces + "\\Errors");
    h.Action("MnuSExplorer1_2")->trigger();
    QCOMPARE(h.started.back().commandLine, "EXPLORER.EXE /n,/e," + kBounces + "\\Errors");
    h.Action("MnuSExplorer2_6")->trigger();
    QCOMPARE(h.started.back().commandLine,
             std::string("EXPLORER.EXE /n,P:\\Pmail\\Mail\\_Bounces"));
    QCOMPARE(h.Action("MnuSExplorer2_6")->text(), QString("P:\\Pmail\\Mail\\_Bounces"));
  }

  void rightPressesShowPopupsAndKeepTheSelection() {
    Harness h;
    QVERIFY(h.Start());
    h.ClickCell(2, 1);
    h.ClickCell(3, 4, Qt::ShiftModifier);
    h.ClickCell(5, 2, {}, Qt::RightButton);
    QCOMPARE(h.popups, std::vector<PopupMenu>{PopupMenu::Body});
    QCOMPARE(h.Text("txt_NbSelV"), QString("2"));
    QCOMPARE(h.View()->selectionModel()->selectedIndexes().size(), 8);

    // The Header menu acts on the pressed column; "Sort -" chosen in it.
    h.popupChoice = "MnuPOPHSortD";
    h.PressHeader(2, Qt::RightButton);
    QCOMPARE(h.popups.back(), PopupMenu::Header);
    QCOMPARE(h.HeaderText(2), QString("Size:-"));
    QCOMPARE(h.Names().front(), std::string("d.q0"));
  }

  void extraFolderFromTheDialog() {
    Harness h;
    QVERIFY(h.Start());
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.Click("Option3_4");  // \Local, empty
    QCOMPARE(h.Names(), std::vector<std::string>{""});

    auto* frame = h.Widget("Frame3");
    QTest::mouseDClick(frame, Qt::LeftButton, {}, QPoint(2, frame->height() - 3));
    auto* box = h.Widget<QLineEdit>("txt_DIR");
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), QString("\\Local"));
    QCOMPARE(box->geometry(),
             QRect(h.window.Px(120), h.window.Px(240), h.window.Px(2340), h.window.Px(195)));

    // A file below the bounce folder's Wait subfolder, as the dialog answers.
    h.dialogAnswer = QString::fromStdString(ndr::NativePath(kBounces + "\\Wait\\Sub\\x.cnm"));
    QTest::mouseDClick(box, Qt::LeftButton);
    QCOMPARE(h.dialogs.size(), std::size_t{1});
    QCOMPARE(h.dialogs[0].title, QString("Bounces Subdirectory"));
    QCOMPARE(h.dialogs[0].folder, QString::fromStdString(ndr::NativePath(kBounces)));
    QCOMPARE(h.dialogs[0].filter, QString("cnm(*.cnm);;All Files(*.*)"));
    QVERIFY(!box->isVisible());
    QCOMPARE(h.Widget("Option3_4")->toolTip(), QString("\\Wait"));
    QCOMPARE(h.Widget<QRadioButton>("Option3_4")->text(), QString("\\Wait"));
    QCOMPARE(h.Names(), std::vector<std::string>{"w1.cnm"});  // entry 4 is selected

    // Typed, then left: taken when the box loses the focus.
    QTest::mouseDClick(frame, Qt::LeftButton, {}, QPoint(2, frame->height() - 3));
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "\\Errors");
    QVERIFY(h.Names() == std::vector<std::string>{"w1.cnm"});
    h.View()->setFocus();
    QVERIFY(!box->isVisible());
    QCOMPARE(h.Widget<QRadioButton>("Option3_4")->text(), QString("\\Errors"));
    QCOMPARE(h.Names(), std::vector<std::string>{""});

    // Cancelled: the box empties and stays.
    QTest::mouseDClick(frame, Qt::LeftButton, {}, QPoint(2, frame->height() - 3));
    h.dialogAnswer.clear();
    QTest::mouseDClick(box, Qt::LeftButton);
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), QString());
  }

  // Beside the cells the pointer is over none: no hint there, and a drag
  // that ends over the header ends on the header row, not on the last row.
  void pointerBesideTheCells() {
    Harness h;
    QVERIFY(h.Start());
    auto& g = h.TheGrid();
    QWidget* body = h.View()->viewport();
    // Sent straight to the body, as the mouse grab of a drag delivers them.
    auto send = [body](QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons) {
      QMouseEvent event(type, QPointF(at), body->mapToGlobal(QPointF(at)),
                        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                        Qt::NoModifier);
      QApplication::sendEvent(body, &event);
    };
    send(QEvent::MouseMove, h.CellCentre(2, 3), Qt::NoButton);
    QCOMPARE(QString::fromStdString(g.ToolTipText()),
             QString::fromStdString(std::string(g.TextMatrix(2, 3))));
    const QPoint belowLast(h.CellCentre(5, 3).x(), h.CellCentre(5, 3).y() + 40);
    QVERIFY(belowLast.y() < body->height());
    send(QEvent::MouseMove, belowLast, Qt::NoButton);
    QCOMPARE(g.MouseRow() * 100 + g.MouseCol(), -101);
    QCOMPARE(QString::fromStdString(g.ToolTipText()), QString());

    const QPoint start = h.CellCentre(3, 2);
    const QPoint overHeader(start.x(), -h.View()->horizontalHeader()->height() / 2);
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, overHeader, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, overHeader, Qt::NoButton);
    QCOMPARE(g.MouseRow() * 100 + g.MouseCol(), 2);  // row 0, column 2
    QCOMPARE(g.Row(), 0);  // the release on the header row made it current
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

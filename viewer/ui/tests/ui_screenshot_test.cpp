// The window as an X server shows it: a screenshot of the whole screen, read
// at a few controls whose colours are fixed.
#include <QGuiApplication>
#include <QScreen>

#include "window_harness.h"

using ndr::uitest::Harness;

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsShowTheirColours() {
    ndr::uitest::BuildStandardTree();
    Harness h;
    QVERIFY(h.Start());
    QTest::qWait(300);  // let the X server draw everything
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    shot.save(QDir::currentPath() + "/ui_screenshot.png");

    auto pixelOf = [&](QWidget* widget, QPoint at) {
      return QColor(shot.pixel(widget->mapToGlobal(at)));
    };
    // Away from captions and indicators: the right end of each control.
    QWidget* go = h.Widget("cmd_GO");
    QCOMPARE(pixelOf(go, {go->width() - 6, go->height() / 2}), QColor(0, 255, 0));
    QWidget* option = h.Widget("Option1_2");
    QCOMPARE(pixelOf(option, {option->width() - 3, 1}), QColor(255, 192, 255));
    QWidget* extra = h.Widget("Option3_4");
    QCOMPARE(pixelOf(extra, {extra->width() - 2, 1}), QColor(128, 128, 255));
    QWidget* release = h.Widget("cmd_RELEASE");
    QCOMPARE(pixelOf(release, {4, 4}), QColor(0, 255, 0));

    // A cell of a row that is not selected, left of its right-aligned number.
    QWidget* cells = h.View()->viewport();
    const QRect sizeCell = h.View()->visualRect(h.window.model()->index(2, 1));
    QCOMPARE(pixelOf(cells, sizeCell.topLeft() + QPoint(3, 3)), QColor(128, 255, 255));
    // Below the last row.
    QCOMPARE(pixelOf(cells, {cells->width() / 2, cells->height() - 4}), QColor(192, 255, 192));
  }
};

QTEST_MAIN(ScreenshotTest)
#include "ui_screenshot_test.moc"

// The operator's scenarios against the Qt window, in this process on the
// offscreen platform: input through QTest's events, read back from the
// widgets. On an X display a held key is held at the X server, whose own
// repeat then reaches the window as an operator's does, through a display
// that passes key releases on slowly.
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include "core_text.h"
#include "desk_window.h"
#include "grid_model.h"
#include "single_instance.h"
#include "slow_release_display.h"
#include "window_behaviour.h"

namespace ndr::behaviour {
namespace {

class QtDriver : public WindowDriver {
 public:
  QtDriver() {
    window_.SetProgramStarter([](const ProgramLaunch&) { return true; });
    window_.SetPopupHook([](PopupMenu) {});
    window_.SetFileDialogHook([this](const DeskWindow::FileDialogArgs&) { return dialogAnswer_; });
  }

  bool Start() override {
    if (!instance_.Listen())
      return false;
    QObject::connect(&instance_, &SingleInstance::activationRequested, &window_,
                     &DeskWindow::BringToFront);
    window_.Start();
    window_.activateWindow();
    return QTest::qWaitForWindowExposed(&window_);
  }

  std::string Title() override { return ToCore(window_.windowTitle()); }
  int Px(int twips) override { return window_.Px(twips); }
  TwipsRect ClientSize() override {
    const QSize size = window_.centralWidget()->size();
    return {0, 0, size.width(), size.height()};
  }
  int OffCentre() override {
    const QRect screen = window_.screen()->geometry();
    const QRect frame = window_.frameGeometry();
    return std::max(std::abs(frame.center().x() - screen.center().x()),
                    std::abs(frame.center().y() - screen.center().y()));
  }
  TwipsRect Place(ControlId id, int index) override {
    QWidget* widget = Widget(id, index);
    const QPoint at = widget->mapTo(window_.centralWidget(), QPoint(0, 0));
    return {at.x(), at.y(), widget->width(), widget->height()};
  }
  bool Visible(ControlId id, int index) override { return Widget(id, index)->isVisible(); }
  std::string Text(ControlId id, int index) override {
    QWidget* widget = Widget(id, index);
    if (auto* box = qobject_cast<QLineEdit*>(widget))
      return ToCore(box->text());
    return ToCore(static_cast<QAbstractButton*>(widget)->text());
  }
  bool Checked(ControlId id, int index) override {
    return static_cast<QAbstractButton*>(Widget(id, index))->isChecked();
  }
  bool Focused(ControlId id) override { return QApplication::focusWidget() == Widget(id, 0); }
  bool PointerCaptured() override { return QWidget::mouseGrabber() != nullptr; }

  void Click(ControlId id, int index) override {
    QWidget* widget = Widget(id, index);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
  }
  void ClickQuickly(ControlId id, int clicks) override {
    QWidget* widget = Widget(id, 0);
    for (int i = 0; i < clicks; ++i) {
      if (i % 2 == 0) {
        QTest::mouseClick(widget, Qt::LeftButton);
      } else {
        QTest::mouseDClick(widget, Qt::LeftButton);
        QTest::mouseRelease(widget, Qt::LeftButton);
      }
    }
  }
  void DoubleClick(ControlId id, int index) override {
    QWidget* widget = Widget(id, index);
    const QPoint at(3, 3);
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
  }
  void Type(const std::string& text) override {
    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(box, nullptr);
    box->selectAll();
    QTest::keyClicks(box, FromCore(text));
  }
  void Menu(MenuId item, int index) override {
    window_.findChild<QAction*>(FromCore(MenuItemKey(item, index)))->trigger();
  }
  void AnswerFileDialog(const std::string& path) override {
    dialogAnswer_ = path.empty() ? QString() : FromCore(NativePath(path));
  }
  bool CheckedDuringScan(ControlId id, int index) override {
    bool checked = false;
    const auto seen = QObject::connect(&window_, &DeskWindow::busyChanged, [&](bool busy) {
      if (busy)
        checked = Checked(id, index);
    });
    Click(id, index);
    QObject::disconnect(seen);
    return checked;
  }
  void CloseDuringScan(ControlId id, int index) override {
    const auto closing = QObject::connect(&window_, &DeskWindow::busyChanged, [this](bool busy) {
      if (busy)
        window_.close();
    });
    Click(id, index);
    QObject::disconnect(closing);
  }
  bool Closed() override {
    return QTest::qWaitFor([this] { return !window_.isVisible(); }, 10000);
  }

  // This window listens as the program's running copy does; the second copy
  // is the program itself.
  void Minimise() override { window_.showMinimized(); }
  int StartAgain() override {
    QProcess second;
    second.start(NDR_DESK_PROGRAM, QStringList());
    if (!QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000)) {
      second.kill();
      second.waitForFinished();
      return -1;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
  }
  bool BackInFront() override {
    return QTest::qWaitFor([this] { return !window_.isMinimized() && window_.isVisible(); }, 10000);
  }

  void Press(int row, int col, bool shift) override {
    const auto [widget, at] = PointOf(row, col);
    QTest::mousePress(widget, Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier, at);
  }
  void MoveTo(int row, int col, bool /*leftDown: QTest keeps the buttons*/) override {
    const auto [widget, at] = PointOf(row, col);
    QTest::mouseMove(widget, at);
  }
  void MoveBelowTheRows() override {
    QTableView* view = window_.view();
    const int last = window_.model()->rowCount() - 1;
    const QRect cell = view->visualRect(window_.model()->index(last, 0));
    QTest::mouseMove(view->viewport(), QPoint(cell.center().x(), cell.bottom() + cell.height()));
  }
  void Release(int row, int col) override {
    const auto [widget, at] = PointOf(row, col);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
  }
  void HoldKey(int key) override {
    if (xcb_connection_t* x11 = X11()) {
      window_.activateWindow();
      window_.view()->setFocus();
      SendX11Key(x11, XCB_KEY_PRESS, key);
      QTest::qWait(1500);  // past the server's repeat delay
      return;
    }
    SendKey(QEvent::KeyPress, key, false);
    for (int i = 0; i < 4; ++i) {  // what a held key repeats on some displays
      SendKey(QEvent::KeyRelease, key, true);
      SendKey(QEvent::KeyPress, key, true);
    }
  }
  void KeyUp(int key) override {
    if (xcb_connection_t* x11 = X11()) {
      SendX11Key(x11, XCB_KEY_RELEASE, key);
      QTest::qWait(200);
      return;
    }
    SendKey(QEvent::KeyRelease, key, false);
  }
  int Rows() override { return window_.model()->rowCount() + 1; }
  std::string Cell(int row, int col) override {
    if (row == 0 && col == 0)
      return ToCore(window_.findChild<QLabel*>("MSFlexGrid1_corner")->text());
    QVariant text = row == 0   ? window_.model()->headerData(col - 1, Qt::Horizontal)
                    : col == 0 ? window_.model()->headerData(row - 1, Qt::Vertical)
                               : window_.model()->index(row - 1, col - 1).data();
    return ToCore(text.toString());
  }
  Selection Selected() override {
    const Grid& grid = window_.grid();
    return {grid.Row(), grid.Col(), grid.RowSel(), grid.ColSel()};
  }
  bool Flagged(int row) override {
    return !window_.model()->index(row - 1, 2).data(GridTableModel::PictureRole).isNull();
  }
  std::string Hint() override { return ToCore(window_.view()->toolTip()); }
  int HintMaxWidth() override { return window_.screen()->geometry().width(); }

 private:
  QWidget* Widget(ControlId id, int index) {
    return window_.findChild<QWidget*>(FromCore(ControlKey(id, index)));
  }
  static xcb_connection_t* X11() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return QGuiApplication::platformName() == "xcb" && x11 != nullptr ? x11->connection() : nullptr;
  }
  static void SendX11Key(xcb_connection_t* x11, std::uint8_t type, int key) {
    EXPECT_EQ(key, kDeleteKey);
    constexpr xcb_keysym_t kDeleteSym = 0xffff;
    xcb_test_fake_input(x11, type, KeycodeOf(x11, kDeleteSym), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    // A round trip: the key's event is on its way here before the answer.
    std::free(xcb_get_input_focus_reply(x11, xcb_get_input_focus(x11), nullptr));
  }
  static xcb_keycode_t KeycodeOf(xcb_connection_t* x11, xcb_keysym_t sym) {
    const xcb_setup_t* setup = xcb_get_setup(x11);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        x11, xcb_get_keyboard_mapping(x11, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr);
    xcb_keycode_t found = 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    for (int i = 0; map != nullptr && found == 0 && i < count * map->keysyms_per_keycode; ++i)
      if (syms[i] == sym)
        found = static_cast<xcb_keycode_t>(setup->min_keycode + i / map->keysyms_per_keycode);
    std::free(map);
    return found;
  }
  void SendKey(QEvent::Type type, int key, bool autoRepeat) {
    QKeyEvent event(type, key == kDeleteKey ? Qt::Key_Delete : static_cast<Qt::Key>(key), {},
                    QString(), autoRepeat);
    QApplication::sendEvent(window_.view(), &event);
  }
  // The grid's part that shows a cell, and the cell's centre in it.
  std::pair<QWidget*, QPoint> PointOf(int row, int col) {
    QTableView* view = window_.view();
    QHeaderView* header = view->horizontalHeader();
    QHeaderView* numbers = view->verticalHeader();
    const int x = col == 0
                      ? numbers->width() / 2
                      : header->sectionViewportPosition(col - 1) + header->sectionSize(col - 1) / 2;
    const int y =
        row == 0 ? header->height() / 2
                 : numbers->sectionViewportPosition(row - 1) + numbers->sectionSize(row - 1) / 2;
    if (row == 0 && col == 0)
      return {window_.findChild<QLabel*>("MSFlexGrid1_corner"), QPoint(x, y)};
    if (row == 0)
      return {header->viewport(), QPoint(x, y)};
    if (col == 0)
      return {numbers->viewport(), QPoint(x, y)};
    return {view->viewport(), QPoint(x, y)};
  }

  DeskWindow window_;
  SingleInstance instance_{SingleInstance::UserInstanceName()};
  QString dialogAnswer_;
};

}  // namespace

std::unique_ptr<WindowDriver> MakeWindowDriver() {
  return std::make_unique<QtDriver>();
}

}  // namespace ndr::behaviour

int main(int argc, char** argv) {
  if (qEnvironmentVariable("QT_QPA_PLATFORM") == "xcb") {
    const QString display = qEnvironmentVariable("DISPLAY");
    const int slow =
        display.startsWith(':')
            ? ndr::behaviour::StartSlowReleaseDisplay(display.mid(1).split('.')[0].toInt())
            : -1;
    if (slow < 0) {
      std::puts("no local X display: skipped");
      return 77;
    }
    qputenv("DISPLAY", ":" + QByteArray::number(slow));
    qputenv("QT_XCB_NO_MITSHM", "1");  // the display passes bytes, not shared memory
  }
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // a scenario closes the window
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// A viewer window for tests: the modal parts (popup menus, the file dialog)
// and the starting of programs are recorded instead of done, and a small
// tree of bounce folders lies under the fixed P:\Diverido paths.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <string>
#include <vector>

#include "desk_window.h"
#include "grid_model.h"
#include "test_support.h"

namespace ndr::uitest {

inline const std::string kBounces = "P:\\Diverido\\Mail\\~Bounces";

// A message file whose size grows with padding.
inline std::string Message(const std::string& subject, std::size_t padding) {
  return "From: daemon@relay.example\r\nTo: remailer@example.net\r\nSubject: " + subject +
         "\r\nDate: Thu, 5 Feb 2004 09:15:00 +0000\r\n\r\n" + std::string(padding, 'x') + "\r\n";
}

// The bounce folder: five messages of distinct sizes and short subjects, a
// queue pair among them, an empty file and a subfolder; the subfolders of
// both remailers.
inline void BuildStandardTree() {
  using testsupport::BuildTree;
  BuildTree("P:\\Diverido", {{"Mail\\~Bounces\\a.cnm", Message("Sc", 300)},
                             {"Mail\\~Bounces\\b.cnm", Message("Sa", 100)},
                             {"Mail\\~Bounces\\c.cnm", Message("Sd", 200)},
                             {"Mail\\~Bounces\\d.q0", Message("Sb", 400)},
                             {"Mail\\~Bounces\\d.q1", Message("Se", 50)},
                             {"Mail\\~Bounces\\empty.cnm", ""},
                             {"Mail\\~Bounces\\Sub\\", ""},
                             {"Mail\\~Bounces\\Wait\\w1.cnm", Message("W", 10)},
                             {"Mail\\~Bounces\\Errors\\", ""},
                             {"Mail\\~Bounces\\Local\\", ""}});
  BuildTree("P:\\Zizaruz2", {{"Mail\\~Bounces\\Wait\\z.cnm", Message("Z", 10)}});
}

struct Harness {
  DeskWindow window;
  std::vector<ProgramLaunch> started;
  std::vector<PopupMenu> popups;
  std::vector<DeskWindow::FileDialogArgs> dialogs;
  QString dialogAnswer;
  const char* popupChoice = nullptr;  // the item "chosen" in a popup menu
  int scans = 0;

  Harness() {
    window.SetProgramStarter([this](const ProgramLaunch& launch) {
      started.push_back(launch);
      return true;
    });
    window.SetPopupHook([this](PopupMenu menu) {
      popups.push_back(menu);
      if (popupChoice != nullptr)
        Action(popupChoice)->trigger();
    });
    window.SetFileDialogHook([this](const DeskWindow::FileDialogArgs& args) {
      dialogs.push_back(args);
      return dialogAnswer;
    });
    QObject::connect(&window, &DeskWindow::busyChanged, [this](bool busy) { scans += busy; });
  }

  bool Start() {
    window.Start();
    return QTest::qWaitForWindowExposed(&window);
  }

  template <typename T = QWidget>
  T* Widget(const char* name) {
    return window.findChild<T*>(name);
  }
  QAction* Action(const char* name) { return window.findChild<QAction*>(name); }
  QString Text(const char* box) { return Widget<QLineEdit>(box)->text(); }
  void Click(const char* name) { QTest::mouseClick(Widget(name), Qt::LeftButton); }
  QTableView* View() { return window.view(); }
  Grid& TheGrid() { return window.grid(); }

  // The file names of the grid's rows, top to bottom.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (std::int32_t r = 1; r < TheGrid().Rows(); ++r)
      names.emplace_back(TheGrid().TextMatrix(r, 1));
    return names;
  }
  std::int32_t RowOf(const std::string& name) {
    for (std::int32_t r = 1; r < TheGrid().Rows(); ++r) {
      if (TheGrid().TextMatrix(r, 1) == name)
        return r;
    }
    return -1;
  }

  // The centre of a body cell in the view's viewport, by grid position.
  QPoint CellCentre(std::int32_t row, std::int32_t col) {
    return View()->visualRect(window.model()->index(row - 1, col - 1)).center();
  }
  void ClickCell(std::int32_t row, std::int32_t col, Qt::KeyboardModifiers mods = {},
                 Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(View()->viewport(), button, mods, CellCentre(row, col));
  }
  void PressHeader(std::int32_t col, Qt::MouseButton button = Qt::LeftButton) {
    QHeaderView* header = View()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(col - 1) + 4, header->height() / 2);
    QTest::mousePress(header->viewport(), button, {}, at);
    QTest::mouseRelease(header->viewport(), button, {}, at);
  }
  QString HeaderText(std::int32_t col) {
    return window.model()->headerData(col - 1, Qt::Horizontal).toString();
  }
};

}  // namespace ndr::uitest

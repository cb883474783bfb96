// The window frm_ndr_Desk: the controls, menus and grid of the viewer over
// the core's Desk. Each event of a control calls the Desk handler of the same
// name; afterwards the widgets are brought in line with the Desk's state.
// The window is also the Desk's toolkit (events, busy state, programs, popup
// menus, the file dialog), with hooks so that tests can stand in for the
// modal parts and for starting programs.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "desk.h"
#include "form_layout.h"
#include "grid.h"
#include "grid_input.h"
#include "toolkit.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QTableView;

namespace ndr {

class FrameBox;
class GraphicalButton;
class GridTableModel;

class DeskWindow : public QMainWindow, public Toolkit {
  Q_OBJECT

 public:
  // What the file dialog is asked, as Qt takes it: the initial folder as a
  // native path and the filters in Qt's form.
  struct FileDialogArgs {
    QString title, folder, filter;
  };
  // Stands in for the dialog: the chosen file's native path, "" to cancel.
  using FileDialogHook = std::function<QString(const FileDialogArgs&)>;
  using PopupHook = std::function<void(PopupMenu)>;
  using ProgramStarter = std::function<bool(const ProgramLaunch&)>;

  explicit DeskWindow(QWidget* parent = nullptr);
  ~DeskWindow() override;

  // Start-up after the check for a running copy: centre, title, default
  // choices, show, one scan.
  void Start();
  // Brings the window to the front, restored if minimised: what a second
  // copy asks of this one.
  void BringToFront();

  Desk& desk() { return *desk_; }
  Grid& grid() { return grid_; }
  GridTableModel* model() const { return model_; }
  QTableView* view() const { return view_; }
  QMenu* HeaderMenu() const { return mnuPOPH_; }
  QMenu* BodyMenu() const { return mnuPOPB_; }
  // A length in twips as whole pixels of this screen.
  int Px(int twips) const;

  void SetFileDialogHook(FileDialogHook hook) { fileDialogHook_ = std::move(hook); }
  void SetPopupHook(PopupHook hook) { popupHook_ = std::move(hook); }
  void SetProgramStarter(ProgramStarter starter) { programStarter_ = std::move(starter); }

  // Toolkit
  void DoEvents() override;
  void SetBusy(bool busy) override;
  bool StartProgram(const ProgramLaunch& launch) override;
  void ShowPopupMenu(PopupMenu menu) override;
  PictureHandle FlagPicture() override;
  double TwipsPerPixelX() override;
  std::string ShowFileDialog(const FileDialogRequest& request) override;
  void ShowMessage(const std::string& title, const std::string& text) override;

 signals:
  void busyChanged(bool busy);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Building the window.
  void BuildControls(QWidget* client);
  QRadioButton* AddOption(const ControlSpec& control, QWidget* frame);
  QLineEdit* AddDisplayBox(const ControlSpec& control, QWidget* parent);
  GraphicalButton* AddButton(const ControlSpec& control, QWidget* parent);
  QLineEdit* BuildDirBox(const ControlSpec& control, QWidget* frame);
  QTableView* BuildGrid(const ControlSpec& control, QWidget* client);
  void BuildMenus();
  void AddMenu(QMenu* menu, const MenuSpec& desc);
  void Place(QWidget* widget, const QRect& twips);

  // Runs a Desk handler, then shows the Desk's state.
  void Run(const std::function<void()>& handler);
  void SyncFromDesk();
  void SyncCounters();
  void SyncSelectionFromGrid();
  void ApplyColumnLayout();
  void UpdateCorner();

  // Extra folder box.
  void OnFrame3DoubleClicked();
  bool FilterDirBox(QEvent* event);

  // Grid events.
  bool FilterGridMouse(QObject* watched, QEvent* event);
  bool FilterGridKey(QEvent* event);
  bool PointAt(QObject* watched, const QPoint& pos, GridPoint& point) const;
  void ScrollToCurrent();
  void OnViewSelectionChanged();
  bool IsUserInput(QEvent* event) const;

  Grid grid_;
  std::unique_ptr<Desk> desk_;
  std::unique_ptr<GridInput> input_;
  GridTableModel* model_ = nullptr;
  QTableView* view_ = nullptr;
  QLabel* cornerLabel_ = nullptr;
  QHash<QString, QRadioButton*> options_;  // "Option1_1" ...
  QHash<ControlId, QLineEdit*> displayBoxes_;
  QLineEdit* txtDir_ = nullptr;
  FrameBox* frame3_ = nullptr;
  QMenu* mnuPOPH_ = nullptr;
  QMenu* mnuPOPB_ = nullptr;

  FileDialogHook fileDialogHook_;
  PopupHook popupHook_;
  ProgramStarter programStarter_;

  double twipsPerPixel_ = 15.0;
  int runDepth_ = 0;
  bool busy_ = false;
  bool syncingSelection_ = false;
  bool selectionDirty_ = false;
  bool inDirDoubleClick_ = false;
};

}  // namespace ndr

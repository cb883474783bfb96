#include "desk_window.h"

#include <cmath>
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QToolTip>

#include "core_text.h"
#include "form_layout.h"
#include "frame_box.h"
#include "graphical_button.h"
#include "grid_cell_delegate.h"
#include "grid_model.h"
#include "pictures.h"
#include "x11_key_repeat.h"

namespace ndr {
namespace {

constexpr PictureHandle kFlagPicture = 1;

QString FromView(std::string_view text) {
  return FromCore(std::string(text));
}

QColor ToQColor(const Rgb& colour) {
  return QColor(colour.r, colour.g, colour.b);
}

QRect ToQRect(const TwipsRect& twips) {
  return QRect(twips.left, twips.top, twips.width, twips.height);
}

// The grid's own font, or the nearest fixed-pitch one where it is missing.
QFont GridFont() {
  QFont font(FromView(kGridFontFace));
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(kGridFontPoints);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(kGridFontPoints);
  }
  return font;
}

void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  palette.setColor(QPalette::Base, colour);
  // Display boxes are disabled; their figures must stay readable.
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(64, 64, 64));
  widget->setPalette(palette);
  widget->setBackgroundRole(QPalette::Window);  // buttons fill with Button otherwise
  widget->setAutoFillBackground(true);
}

void SetTextIfChanged(QLineEdit* box, const QString& text) {
  if (box->text() == text)
    return;
  box->setText(text);
  box->setCursorPosition(0);  // a figure too long for its box shows its start
}

// "caption|pattern|caption|pattern" as Qt's file dialog takes it.
QString QtFilter(const std::string& filter) {
  const QStringList parts = FromCore(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& caption = parts[i];
    const QString& pattern = parts[i + 1];
    filters << (caption.contains("(" + pattern + ")") ? caption : caption + " (" + pattern + ")");
  }
  return filters.join(";;");
}

}  // namespace

DeskWindow::DeskWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frm_ndr_Desk");
  setWindowTitle(FromView(kFormTitle));
  setWindowIcon(SunsetIcon());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const double dpi = screen->logicalDotsPerInchX();
    if (dpi > 0)
      twipsPerPixel_ = 1440.0 / dpi;
  }
  AskForTrueKeyReleases();
  desk_ = std::make_unique<Desk>(*this, grid_);
  input_ = std::make_unique<GridInput>(*desk_, grid_);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  QFont font = client->font();
  font.setPointSizeF(kFormFontPoints);  // the family stays the platform's own
  client->setFont(font);
  client->setMinimumSize(Px(kFormClientWidth), Px(kFormClientHeight));
  setCentralWidget(client);
  BuildControls(client);
  BuildMenus();
  resize(Px(kFormClientWidth), Px(kFormClientHeight) + menuBar()->sizeHint().height());
  SyncFromDesk();

  // The batch programs started from the Apps menu, looked at twice a second.
  auto* programs = new QTimer(this);
  connect(programs, &QTimer::timeout, this, [this] {
    if (!busy_)
      desk_->PollPrograms();
  });
  programs->start(500);
}

DeskWindow::~DeskWindow() {
  if (busy_)
    SetBusy(false);
  // The view and its model go before the grid they read; the event filter
  // must not look at the view while it is being taken apart.
  QTableView* view = view_;
  view_ = nullptr;
  cornerLabel_ = nullptr;
  delete view;
  delete model_;
  model_ = nullptr;
}

int DeskWindow::Px(int twips) const {
  return static_cast<int>(std::lround(twips / twipsPerPixel_));
}

void DeskWindow::Place(QWidget* widget, const QRect& twips) {
  widget->setGeometry(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height()));
}

// --- Building the window -------------------------------------------------------

void DeskWindow::BuildControls(QWidget* client) {
  QHash<int, FrameBox*> frames;  // by ControlId
  for (const ControlSpec& control : FormControls()) {
    QWidget* parent = control.parent ? frames.value(static_cast<int>(*control.parent)) : client;
    QWidget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::Frame: {
        auto* frame = new FrameBox(FromView(control.caption), parent);
        frame->SetColours(ToQColor(*control.background), ToQColor(*control.foreground));
        frames.insert(static_cast<int>(control.id), frame);
        widget = frame;
        break;
      }
      case ControlKind::OptionButton:
        widget = AddOption(control, parent);
        break;
      case ControlKind::GraphicalButton:
        widget = AddButton(control, parent);
        break;
      case ControlKind::DisplayBox:
        widget = AddDisplayBox(control, parent);
        break;
      case ControlKind::TextBox:
        widget = BuildDirBox(control, parent);
        break;
      case ControlKind::Grid:
        widget = BuildGrid(control, parent);
        break;
    }
    widget->setObjectName(FromCore(ControlKey(control)));
    if (!control.toolTip.empty())
      widget->setToolTip(FromView(control.toolTip));
    Place(widget, ToQRect(control.twips));
    widget->setVisible(control.visible);
  }
  frame3_ = frames.value(static_cast<int>(ControlId::Frame3));
  connect(frame3_, &FrameBox::doubleClicked, this, &DeskWindow::OnFrame3DoubleClicked);
}

QRadioButton* DeskWindow::AddOption(const ControlSpec& control, QWidget* frame) {
  auto* option = new QRadioButton(frame);
  SetBackground(option, ToQColor(*control.background));
  options_.insert(FromCore(ControlKey(control)), option);
  const ControlId group = control.id;
  const int index = control.index;
  connect(option, &QRadioButton::clicked, this, [this, group, index] {
    Run([this, group, index] { RunFormCommand(*desk_, group, index); });
  });
  return option;
}

QLineEdit* DeskWindow::BuildDirBox(const ControlSpec& control, QWidget* frame) {
  txtDir_ = new QLineEdit(frame);
  txtDir_->setFrame(false);
  SetBackground(txtDir_, ToQColor(*control.background));
  txtDir_->installEventFilter(this);
  connect(txtDir_, &QLineEdit::textEdited, this,
          [this](const QString& text) { desk_->txt_DIR_Change(ToCore(text)); });
  return txtDir_;
}

QLineEdit* DeskWindow::AddDisplayBox(const ControlSpec& control, QWidget* parent) {
  auto* box = new QLineEdit(FromView(control.caption), parent);
  SetBackground(box, ToQColor(*control.background));
  box->setEnabled(false);  // shows values, takes no input
  displayBoxes_.insert(control.id, box);
  return box;
}

GraphicalButton* DeskWindow::AddButton(const ControlSpec& control, QWidget* parent) {
  auto* button = new GraphicalButton(parent);
  if (control.background)
    button->SetFace(ToQColor(*control.background));
  if (control.picture != Picture::None) {
    // Arrows fill their small buttons; the action pictures are icons.
    const bool icon = control.twips.width == control.twips.height;
    const QSize size =
        icon ? QSize(32, 32) : QSize(Px(control.twips.width) - 4, Px(control.twips.height) - 4);
    button->SetPicture(RenderPicture(control.picture, size.width(), size.height()));
  }
  button->setText(FromView(control.caption));
  const ControlId id = control.id;
  connect(button, &QAbstractButton::clicked, this,
          [this, id] { Run([this, id] { RunFormCommand(*desk_, id); }); });
  return button;
}

QTableView* DeskWindow::BuildGrid(const ControlSpec& control, QWidget* client) {
  const QFont font = GridFont();
  const GridLooks& looks = GridAppearance();
  model_ = new GridTableModel(grid_, this);
  model_->SetFont(font);
  model_->SetPicture(kFlagPicture, RenderPicture(Picture::Sunset, qMax(8, Px(kGridRowHeight) - 2),
                                                 qMax(8, Px(kGridRowHeight) - 2)));

  view_ = new QTableView(client);
  view_->setFont(font);
  view_->setModel(model_);
  view_->setItemDelegate(new GridCellDelegate(view_));
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setWordWrap(false);
  view_->setTextElideMode(Qt::ElideNone);
  view_->setTabKeyNavigation(false);
  // Whole rows up and down, pixels across: where the core finds the cells.
  view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view_->setCornerButtonEnabled(false);
  view_->setMouseTracking(true);
  const auto css = [](const Rgb& c) { return QString("rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b); };
  view_->setStyleSheet(QString("QTableView, QHeaderView { background-color: %1; }"
                               "QTableView { gridline-color: %2; }"
                               "QHeaderView::section { background-color: %3; color: %4;"
                               " border: none; border-right: 1px solid %2;"
                               " border-bottom: 1px solid %2; padding: 0px 2px; }"
                               "QTableCornerButton::section { background-color: %3; border: none;"
                               " border-right: 1px solid %2; border-bottom: 1px solid %2; }")
                           .arg(css(looks.emptyArea), css(looks.lines), css(looks.fixedBackground),
                                css(looks.fixedText)));

  // Every row is as high as every other, so the view never measures rows.
  const int rowHeight = Px(kGridRowHeight);
  for (QHeaderView* header : {view_->horizontalHeader(), view_->verticalHeader()}) {
    header->setFont(font);
    header->setMinimumSectionSize(1);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->viewport()->setMouseTracking(true);
    header->viewport()->installEventFilter(this);
  }
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(rowHeight);
  view_->horizontalHeader()->setFixedHeight(rowHeight);
  // The columns keep the widths the scan gives them; a press on a header
  // always sorts, even near a column's edge.
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->viewport()->installEventFilter(this);
  view_->installEventFilter(this);

  // The corner cell (row 0, column 0) shows its text over the corner button.
  if (auto* corner = view_->findChild<QAbstractButton*>()) {
    cornerLabel_ = new QLabel(corner);
    cornerLabel_->setObjectName("MSFlexGrid1_corner");
    cornerLabel_->setFont(font);
    cornerLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cornerLabel_->setStyleSheet(
        QString("color: %1; padding-right: 2px;").arg(css(looks.fixedText)));
    cornerLabel_->setMouseTracking(true);
    cornerLabel_->installEventFilter(this);
    corner->installEventFilter(this);
  }

  connect(model_, &GridTableModel::columnLayoutChanged, this, &DeskWindow::ApplyColumnLayout);
  connect(model_, &QAbstractItemModel::modelReset, this, &DeskWindow::ApplyColumnLayout);
  connect(model_, &GridTableModel::cornerTextChanged, this, &DeskWindow::UpdateCorner);
  // The hint follows the cell under the pointer; no text takes it away.
  connect(model_, &GridTableModel::gridToolTipChanged, this, [this] {
    const QString hint = FromCore(grid_.ToolTipText());
    view_->setToolTip(hint);
    if (hint.isEmpty())
      QToolTip::hideText();
    else if (QToolTip::isVisible())
      QToolTip::showText(QCursor::pos(), hint, view_);
  });
  connect(model_, &GridTableModel::gridSelectionChanged, this, [this] {
    selectionDirty_ = true;
    if (runDepth_ == 0)
      SyncSelectionFromGrid();
  });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &DeskWindow::OnViewSelectionChanged);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &DeskWindow::OnViewSelectionChanged);

  grid_.SetToolTipText(std::string(control.toolTip));
  ApplyColumnLayout();
  return view_;
}

void DeskWindow::BuildMenus() {
  for (const MenuSpec& menu : FormMenus())
    AddMenu(menuBar()->addMenu(FromView(menu.caption)), menu);
}

void DeskWindow::AddMenu(QMenu* menu, const MenuSpec& desc) {
  menu->setObjectName(FromCore(MenuItemKey(desc)));
  if (desc.id == MenuId::MnuPOPH)
    mnuPOPH_ = menu;
  else if (desc.id == MenuId::MnuPOPB)
    mnuPOPB_ = menu;
  for (const MenuSpec& item : desc.Items()) {
    if (item.IsSeparator()) {
      menu->addSeparator();
    } else if (item.IsSubmenu()) {
      AddMenu(menu->addMenu(FromView(item.caption)), item);
    } else {
      QAction* action = menu->addAction(FromView(item.caption));
      action->setObjectName(FromCore(MenuItemKey(item)));
      if (!item.shortcut.empty())
        action->setShortcut(QKeySequence(FromView(item.shortcut)));
      const MenuId id = item.id;
      const int index = item.index;
      connect(action, &QAction::triggered, this,
              [this, id, index] { Run([this, id, index] { RunFormCommand(*desk_, id, index); }); });
    }
  }
}

// --- Start-up ---------------------------------------------------------------------

void DeskWindow::Start() {
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
  }
  setWindowTitle(FromView(kFormTitle));
  Run([this] { desk_->SelectStartupChoices(); });
  show();
  Run([this] { desk_->FinishStartup(); });
}

void DeskWindow::BringToFront() {
  if (isMinimized())
    setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

// --- Running handlers and showing the state -------------------------------------

void DeskWindow::Run(const std::function<void()>& handler) {
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  };
  {
    Depth depth(runDepth_);
    handler();
  }
  if (runDepth_ != 0)
    return;
  SyncFromDesk();
  if (desk_->CloseDue())
    close();
}

void DeskWindow::SyncCounters() {
  for (auto [box, shown] : displayBoxes_.asKeyValueRange())
    SetTextIfChanged(shown, FromCore(desk_->BoxText(box)));
}

// Everything the core's state says, as it says it.
void DeskWindow::SyncFromDesk() {
  SyncCounters();
  for (const ControlSpec& control : FormControls()) {
    if (control.kind != ControlKind::OptionButton)
      continue;
    QRadioButton* option = options_.value(FromCore(ControlKey(control)));
    const QString caption = FromCore(desk_->OptionCaption(control.id, control.index));
    const QSignalBlocker blocker(option);
    // Exclusive buttons could not all be off, as they are before start-up.
    option->setAutoExclusive(false);
    option->setChecked(desk_->SelectedOption(control.id) == control.index);
    if (option->text() != caption)
      option->setText(caption);
  }
  for (QRadioButton* option : std::as_const(options_))
    option->setAutoExclusive(true);
  QRadioButton* extra = options_.value(FromCore(ControlKey(ControlId::Option3, 4)));
  extra->setToolTip(FromCore(desk_->Option3ExtraToolTip()));

  SetTextIfChanged(txtDir_, FromCore(desk_->DirBoxText()));
  if (txtDir_->isVisibleTo(frame3_) != desk_->DirBoxVisible())
    txtDir_->setVisible(desk_->DirBoxVisible());
  if (desk_->TakeDirBoxFocus() && desk_->DirBoxVisible()) {
    activateWindow();
    txtDir_->setFocus(Qt::OtherFocusReason);
  }

  if (selectionDirty_)
    SyncSelectionFromGrid();
}

void DeskWindow::ApplyColumnLayout() {
  QHeaderView* across = view_->horizontalHeader();
  for (std::int32_t col = grid_.FixedCols(); col < grid_.Cols(); ++col) {
    const int section = col - grid_.FixedCols();
    const int width = Px(grid_.ColWidth(col));
    if (section < model_->columnCount() && across->sectionSize(section) != width)
      view_->setColumnWidth(section, width);
  }
  if (grid_.Cols() > 0)
    view_->verticalHeader()->setFixedWidth(qMax(1, Px(grid_.ColWidth(0))));
  UpdateCorner();
}

void DeskWindow::UpdateCorner() {
  if (cornerLabel_ != nullptr && grid_.Rows() > 0 && grid_.Cols() > 0)
    cornerLabel_->setText(FromCore(grid_.TextMatrix(0, 0)));
}

// --- The extra folder -------------------------------------------------------------

void DeskWindow::OnFrame3DoubleClicked() {
  Run([this] { RunFormDoubleClick(*desk_, ControlId::Frame3); });
  // Over the row of subfolder buttons: where the first one is, as wide as
  // all four together.
  Place(txtDir_, ToQRect(FindControl(ControlId::txt_DIR)->twips));
  txtDir_->raise();
}

bool DeskWindow::FilterDirBox(QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    inDirDoubleClick_ = true;
    Run([this] { RunFormDoubleClick(*desk_, ControlId::txt_DIR); });
    inDirDoubleClick_ = false;
    return true;
  }
  if (event->type() == QEvent::FocusOut) {
    // Another window taking the focus (the dialog, a menu) is not the box
    // losing it.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        inDirDoubleClick_) {
      return false;
    }
    Run([this] { desk_->DirBoxLostFocus(); });
  }
  return false;
}

// --- Toolkit ------------------------------------------------------------------------

void DeskWindow::DoEvents() {
  model_->FlushPendingRows();
  SyncFromDesk();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void DeskWindow::SetBusy(bool busy) {
  if (busy == busy_)
    return;
  if (busy) {
    busy_ = true;
    model_->SetDeferAppends(true);  // a scan's rows reach the view in batches
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
  } else {
    model_->SetDeferAppends(false);
    // Input that came during the scan's last moments is dropped too, not
    // run once the scan is over.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    busy_ = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }
  emit busyChanged(busy);
}

bool DeskWindow::StartProgram(const ProgramLaunch& launch) {
  if (programStarter_)
    return programStarter_(launch);
  return ndr::StartProgram(launch);
}

void DeskWindow::ShowPopupMenu(PopupMenu menu) {
  if (popupHook_) {
    popupHook_(menu);
    return;
  }
  (menu == PopupMenu::Header ? mnuPOPH_ : mnuPOPB_)->exec(QCursor::pos());
}

PictureHandle DeskWindow::FlagPicture() {
  return kFlagPicture;
}

double DeskWindow::TwipsPerPixelX() {
  return twipsPerPixel_;
}

void DeskWindow::ShowMessage(const std::string& title, const std::string& text) {
  QMessageBox::warning(this, FromView(title), FromView(text));
}

std::string DeskWindow::ShowFileDialog(const FileDialogRequest& request) {
  const FileDialogArgs args{FromCore(request.title), FromCore(NativePath(request.initialFolder)),
                            QtFilter(request.filter)};
  const QString chosen =
      fileDialogHook_ ? fileDialogHook_(args)
                      : QFileDialog::getOpenFileName(this, args.title, args.folder, args.filter);
  // Back to the drive form, in which the core finds the folder's part.
  return DrivePathFromNative(chosen);
}

bool DeskWindow::IsUserInput(QEvent* event) const {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

void DeskWindow::closeEvent(QCloseEvent* event) {
  if (desk_->Form_QueryUnload() == Desk::CloseAnswer::WhenScanEnds) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace ndr

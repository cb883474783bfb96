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
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>

#include "core_text.h"
#include "frame_box.h"
#include "graphical_button.h"
#include "grid_cell_delegate.h"
#include "grid_model.h"
#include "pictures.h"

namespace ndr {
namespace {

const QString kTitle = "Returned Mail Desk";
constexpr int kClientWidth = 11880, kClientHeight = 8310;  // twips
constexpr int kRowHeight = 240;                            // twips
constexpr PictureHandle kFlagPicture = 1;

const QColor kFrameBackground(192, 255, 192);
const QColor kFrameCaption(255, 0, 255);
const QColor kOptionBackground(255, 192, 255);
const QColor kExtraOptionBackground(128, 128, 255);
const QColor kCounterBackground(128, 255, 128);
const QColor kEmptyCounterBackground(255, 128, 128);
const QColor kDirBoxBackground(192, 192, 255);
const QColor kGoFace(0, 255, 0);
const QColor kHomeFace(255, 128, 0);

const QString kGridToolTip =
    "Double-Click to Modify, Right-Click for PopupMenu,Left-Click on Hd to Sort";

// The grid's own font, or the nearest fixed-pitch one where it is missing.
QFont GridFont() {
  QFont font("Courier New");
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(8.25);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(8.25);
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
  setWindowTitle(kTitle);
  setWindowIcon(SunsetIcon());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const double dpi = screen->logicalDotsPerInchX();
    if (dpi > 0)
      twipsPerPixel_ = 1440.0 / dpi;
  }
  desk_ = std::make_unique<Desk>(*this, grid_);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  QFont font = client->font();
  font.setPointSizeF(8);
  client->setFont(font);
  client->setMinimumSize(Px(kClientWidth), Px(kClientHeight));
  setCentralWidget(client);
  BuildControls(client);
  BuildMenus();
  resize(Px(kClientWidth), Px(kClientHeight) + menuBar()->sizeHint().height());
  SyncFromDesk();
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
  BuildParameterFrames(client);
  BuildCountersAndNavigation(client);
  BuildActionButtons(client);
  BuildGrid(client);
}

QRadioButton* DeskWindow::AddOption(FrameBox* frame, const QString& group, int index,
                                    const QRect& twips, const QColor& background) {
  auto* option = new QRadioButton(frame);
  const QString name = group + "_" + QString::number(index);
  option->setObjectName(name);
  Place(option, twips);
  SetBackground(option, background);
  options_.insert(name, option);
  connect(option, &QRadioButton::toggled, this, [this, group, index](bool checked) {
    if (!checked)
      return;
    Run([this, group, index] {
      if (group == "Option1")
        desk_->Option1_Click(index);
      else if (group == "Option2")
        desk_->Option2_Click(index);
      else
        desk_->Option3_Click(index);
    });
  });
  return option;
}

void DeskWindow::BuildParameterFrames(QWidget* client) {
  auto* frame1 = new FrameBox("Parameters 1", client);
  frame1->setObjectName("Frame1");
  frame1->setToolTip("Selected Remailer (P:\\Diverido=WREN, P:\\Zizaruz2=MARLIN)");
  Place(frame1, {120, 120, 1455, 975});
  AddOption(frame1, "Option1", 1, {120, 240, 1215, 255}, kOptionBackground);
  AddOption(frame1, "Option1", 2, {120, 600, 1215, 255}, kOptionBackground);

  auto* frame2 = new FrameBox("Parameters 2", client);
  frame2->setObjectName("Frame2");
  frame2->setToolTip("Folder to look in");
  Place(frame2, {1680, 120, 3135, 975});
  AddOption(frame2, "Option2", 6, {720, 360, 1575, 255}, kOptionBackground);

  frame3_ = new FrameBox("Parameters 3", client);
  frame3_->setObjectName("Frame3");
  frame3_->setToolTip("Special Subfolder (When applicable)");
  Place(frame3_, {9000, 120, 2775, 495});
  AddOption(frame3_, "Option3", 1, {120, 240, 375, 195}, kOptionBackground);
  AddOption(frame3_, "Option3", 2, {600, 240, 855, 195}, kOptionBackground);
  AddOption(frame3_, "Option3", 3, {1560, 240, 855, 195}, kOptionBackground);
  AddOption(frame3_, "Option3", 4, {2520, 240, 255, 195}, kExtraOptionBackground);
  connect(frame3_, &FrameBox::doubleClicked, this, &DeskWindow::OnFrame3DoubleClicked);

  txtDir_ = new QLineEdit(frame3_);
  txtDir_->setObjectName("txt_DIR");
  txtDir_->setToolTip("Double-Click for Folders Dialog Box");
  txtDir_->setFrame(false);
  SetBackground(txtDir_, kDirBoxBackground);
  txtDir_->hide();
  txtDir_->installEventFilter(this);
  connect(txtDir_, &QLineEdit::textEdited, this,
          [this](const QString& text) { desk_->txt_DIR_Text = ToCore(text); });

  for (FrameBox* frame : {frame1, frame2, frame3_})
    frame->SetColours(kFrameBackground, kFrameCaption);
}

QLineEdit* DeskWindow::AddDisplayBox(QWidget* parent, const QString& name, const QRect& twips,
                                     const QColor& background, const QString& text) {
  auto* box = new QLineEdit(text, parent);
  box->setObjectName(name);
  Place(box, twips);
  SetBackground(box, background);
  box->setEnabled(false);  // shows values, takes no input
  return box;
}

GraphicalButton* DeskWindow::AddButton(QWidget* parent, const QString& name, const QRect& twips) {
  auto* button = new GraphicalButton(parent);
  button->setObjectName(name);
  Place(button, twips);
  return button;
}

void DeskWindow::BuildCountersAndNavigation(QWidget* client) {
  GraphicalButton* go = AddButton(client, "cmd_GO", {4920, 120, 2895, 255});
  go->setText("GO");
  go->setToolTip("Forces Reloading of Grid");
  go->SetFace(kGoFace);
  connect(go, &QAbstractButton::clicked, this, [this] { Run([this] { desk_->cmd_GO_Click(); }); });

  auto* frame4 = new FrameBox("Files Processed (Number/Size)", client);
  frame4->setObjectName("Frame4");
  frame4->SetColours(kFrameBackground, kFrameCaption);
  Place(frame4, {4920, 480, 2895, 615});
  txtInfo_[0] =
      AddDisplayBox(frame4, "txt_Info1", {120, 240, 615, 285}, kCounterBackground, "00 000");
  txtInfo_[1] = AddDisplayBox(frame4, "txt_Info2", {840, 240, 1215, 285}, kCounterBackground,
                              "00 000 000 000");
  txtInfo_[2] =
      AddDisplayBox(frame4, "txt_Info3", {2160, 240, 615, 285}, kEmptyCounterBackground, "00 000");

  struct Arrow {
    const char* name;
    QRect twips;
    ArrowDirection direction;
    void (Desk::*handler)();
  };
  const Arrow arrows[] = {
      {"cmd_UP", {8280, 120, 255, 375}, ArrowDirection::Up, &Desk::cmd_UP_Click},
      {"cmd_LT", {7920, 480, 375, 255}, ArrowDirection::Left, &Desk::cmd_LT_Click},
      {"cmd_RT", {8520, 480, 375, 255}, ArrowDirection::Right, &Desk::cmd_RT_Click},
      {"cmd_DN", {8280, 720, 255, 375}, ArrowDirection::Down, &Desk::cmd_DN_Click},
  };
  for (const Arrow& arrow : arrows) {
    GraphicalButton* button = AddButton(client, arrow.name, arrow.twips);
    button->SetPicture(
        ArrowPicture(arrow.direction, Px(arrow.twips.width()) - 4, Px(arrow.twips.height()) - 4));
    const auto handler = arrow.handler;
    connect(button, &QAbstractButton::clicked, this,
            [this, handler] { Run([this, handler] { (desk_.get()->*handler)(); }); });
  }
  GraphicalButton* home = AddButton(client, "cmd_HO", {8280, 480, 255, 255});
  home->SetFace(kHomeFace);
  connect(home, &QAbstractButton::clicked, this,
          [this] { Run([this] { desk_->cmd_HO_Click(); }); });

  txtNbSelV_ = AddDisplayBox(client, "txt_NbSelV", {7920, 840, 375, 285}, Qt::white, "");
  txtNbSelH_ = AddDisplayBox(client, "txt_NbSelH", {8520, 840, 375, 285}, Qt::white, "");
}

void DeskWindow::BuildActionButtons(QWidget* client) {
  struct Action {
    const char* name;
    int left, width;
    QPixmap picture;
    const char* letter;
    QColor face;
    const char* toolTip;
    void (Desk::*handler)();
  };
  const QColor system = palette().color(QPalette::Button);
  const Action actions[] = {
      {"cmd_MAGIC1", 9000, 375, ConcentricSquaresPicture(32), "", system,
       "MAGIC1 (To View Selected Messages Content)", &Desk::cmd_MAGIC1_Click},
      {"cmd_MAGIC2", 9360, 375, ConcentricSquaresPicture(32), "", system,
       "MAGIC2 (To View Selected Messages Content)", &Desk::cmd_MAGIC2_Click},
      {"cmd_DELETE", 9720, 375, WarningPicture(32), "", system,
       "DELETE (To Delete Selected Messages Contents)", &Desk::cmd_DELETE_Click},
      {"cmd_FLAG", 10080, 375, FacePicture(true, 32), "", system,
       "FLAG (To Flag Selected Messages)", &Desk::cmd_FLAG_Click},
      {"cmd_UNFLAG", 10440, 375, FacePicture(false, 32), "", system,
       "UNFLAG (To UnFlag Selected Messages)", &Desk::cmd_UNFLAG_Click},
      {"cmd_ERRORE", 11040, 255, QPixmap(), "E", QColor(255, 128, 0),
       "ERRORE (To Move Selected Messages in Error Queue)", &Desk::cmd_ERRORE_Click},
      {"cmd_HOLD", 11280, 255, QPixmap(), "H", Qt::white,
       "HOLD (To Move Selected Messages in Wait Queue)", &Desk::cmd_HOLD_Click},
      {"cmd_RELEASE", 11520, 255, QPixmap(), "R", QColor(0, 255, 0),
       "RELEASE (To Move Selected Messages back in normal  Queue)", &Desk::cmd_RELEASE_Click},
  };
  for (const Action& action : actions) {
    GraphicalButton* button = AddButton(client, action.name, {action.left, 720, action.width, 375});
    button->SetFace(action.face);
    button->SetPicture(action.picture);
    button->setText(action.letter);
    button->setToolTip(action.toolTip);
    const auto handler = action.handler;
    connect(button, &QAbstractButton::clicked, this,
            [this, handler] { Run([this, handler] { (desk_.get()->*handler)(); }); });
  }
}

void DeskWindow::BuildGrid(QWidget* client) {
  const QFont font = GridFont();
  model_ = new GridTableModel(grid_, this);
  model_->SetFont(font);
  model_->SetPicture(kFlagPicture, SunsetPicture(qMax(8, Px(kRowHeight) - 2)));

  view_ = new QTableView(client);
  view_->setObjectName("MSFlexGrid1");
  Place(view_, {120, 1200, 11655, 6975});
  view_->setFont(font);
  view_->setModel(model_);
  view_->setItemDelegate(new GridCellDelegate(view_));
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectItems);
  view_->setWordWrap(false);
  view_->setTextElideMode(Qt::ElideNone);
  view_->setTabKeyNavigation(false);
  view_->setCornerButtonEnabled(false);
  view_->setMouseTracking(true);
  view_->setToolTip(kGridToolTip);
  view_->setStyleSheet(
      "QTableView, QHeaderView { background-color: rgb(192,255,192); }"
      "QTableView { gridline-color: rgb(255,0,255); }"
      "QHeaderView::section { background-color: rgb(0,192,0); color: rgb(192,0,192);"
      " border: none; border-right: 1px solid rgb(255,0,255);"
      " border-bottom: 1px solid rgb(255,0,255); padding: 0px 2px; }"
      "QTableCornerButton::section { background-color: rgb(0,192,0); border: none;"
      " border-right: 1px solid rgb(255,0,255); border-bottom: 1px solid rgb(255,0,255); }");

  // Every row is as high as every other, so the view never measures rows.
  const int rowHeight = Px(kRowHeight);
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
    cornerLabel_->setStyleSheet("color: rgb(192,0,192); padding-right: 2px;");
    cornerLabel_->setMouseTracking(true);
    cornerLabel_->installEventFilter(this);
    corner->installEventFilter(this);
  }

  connect(model_, &GridTableModel::columnLayoutChanged, this, &DeskWindow::ApplyColumnLayout);
  connect(model_, &QAbstractItemModel::modelReset, this, &DeskWindow::ApplyColumnLayout);
  connect(model_, &GridTableModel::cornerTextChanged, this, &DeskWindow::UpdateCorner);
  connect(model_, &GridTableModel::gridToolTipChanged, this,
          [this] { view_->setToolTip(FromCore(grid_.ToolTipText())); });
  connect(model_, &GridTableModel::gridSelectionChanged, this, [this] {
    selectionDirty_ = true;
    if (runDepth_ == 0)
      SyncSelectionFromGrid();
  });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &DeskWindow::OnViewSelectionChanged);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &DeskWindow::OnViewSelectionChanged);

  grid_.SetToolTipText(ToCore(kGridToolTip));
  ApplyColumnLayout();
}

void DeskWindow::BuildMenus() {
  auto addItem = [this](QMenu* menu, const QString& name, const QString& caption,
                        std::function<void()> handler) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, handler] { Run(handler); });
    return action;
  };

  const std::pair<const char*, const char*> explorers[] = {{"MnuExplorer1", "Explorer1"},
                                                           {"MnuEXplorer2", "Explorer2"}};
  for (int e = 0; e < 2; ++e) {
    QMenu* menu = menuBar()->addMenu(explorers[e].second);
    menu->setObjectName(explorers[e].first);
    for (int i = 1; i <= 7; ++i) {
      const QString name = QString("MnuSExplorer%1_%2").arg(e + 1).arg(i);
      addItem(menu, name, FromCore(Desk::ExplorerCaption(i)), [this, e, i] {
        if (e == 0)
          desk_->MnuSExplorer1_Click(i);
        else
          desk_->MnuSExplorer2_Click(i);
      });
    }
  }

  QMenu* apps = menuBar()->addMenu("Apps");
  apps->setObjectName("MnuApps");
  for (int i = 1; i <= 2; ++i) {
    addItem(apps, QString("MnuSApps_%1").arg(i), FromCore(Desk::AppsCaption(i)),
            [this, i] { desk_->MnuSApps_Click(i); });
  }

  QMenu* gridMenu = menuBar()->addMenu("Grid");
  gridMenu->setObjectName("MnuGrid");
  mnuPOPH_ = gridMenu->addMenu("Header");
  mnuPOPH_->setObjectName("MnuPOPH");
  addItem(mnuPOPH_, "MnuPOPHSortX", "Sort x", [this] { desk_->MnuPOPHSortX_Click(); });
  addItem(mnuPOPH_, "MnuPOPHSortA", "Sort +", [this] { desk_->MnuPOPHSortA_Click(); });
  addItem(mnuPOPH_, "MnuPOPHSortD", "Sort -", [this] { desk_->MnuPOPHSortD_Click(); });

  mnuPOPB_ = gridMenu->addMenu("Body");
  mnuPOPB_->setObjectName("MnuPOPB");
  QAction* selectAll = addItem(mnuPOPB_, "MnuPOPBSelectAll", "Select All",
                               [this] { desk_->MnuPOPBSelectAll_Click(); });
  selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  mnuPOPB_->addSeparator();
  addItem(mnuPOPB_, "MnuPOPBDelete", "Delete", [this] { desk_->MnuPOPBDelete_Click(); });
  addItem(mnuPOPB_, "MnuPOPBFlag", "Flag", [this] { desk_->MnuPOPBFlag_Click(); });
  addItem(mnuPOPB_, "MnuPOPBUnFlag", "UnFlag", [this] { desk_->MnuPOPBUnFlag_Click(); });
  addItem(mnuPOPB_, "MnuPOPBMagic1", "Magic1", [this] { desk_->MnuPOPBMagic1_Click(); });
  addItem(mnuPOPB_, "MnuPOPBMagic2", "Magic2", [this] { desk_->MnuPOPBMagic2_Click(); });
  mnuPOPB_->addSeparator();
  addItem(mnuPOPB_, "MnuPOPBErrore", "Errore", [this] { desk_->MnuPOPBErrore_Click(); });
  addItem(mnuPOPB_, "MnuPOPBHold", "Hold", [this] { desk_->MnuPOPBHold_Click(); });
  addItem(mnuPOPB_, "MnuPOPBMove4", "Move4", [this] { desk_->MnuPOPBMove4_Click(); });
  addItem(mnuPOPB_, "MnuPOPBRelease", "Release", [this] { desk_->MnuPOPBRelease_Click(); });
}

// --- Start-up ---------------------------------------------------------------------

void DeskWindow::Start() {
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
  }
  setWindowTitle(kTitle);
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
  if (runDepth_ == 0)
    SyncFromDesk();
}

void DeskWindow::SyncCounters() {
  SetTextIfChanged(txtInfo_[0], FromCore(desk_->txt_Info1));
  SetTextIfChanged(txtInfo_[1], FromCore(desk_->txt_Info2));
  SetTextIfChanged(txtInfo_[2], FromCore(desk_->txt_Info3));
  SetTextIfChanged(txtNbSelV_, FromCore(desk_->txt_NbSelV));
  SetTextIfChanged(txtNbSelH_, FromCore(desk_->txt_NbSelH));
}

void DeskWindow::SyncFromDesk() {
  SyncCounters();
  for (auto it = options_.cbegin(); it != options_.cend(); ++it) {
    const QStringList parts = it.key().split('_');
    const int index = parts[1].toInt();
    const int selected = parts[0] == "Option1"   ? desk_->option1Selected
                         : parts[0] == "Option2" ? desk_->option2Selected
                                                 : desk_->option3Selected;
    QRadioButton* option = it.value();
    QString caption = parts[0] == "Option1"   ? FromCore(desk_->Option1Caption(index))
                      : parts[0] == "Option2" ? FromCore(desk_->Option2Caption(index))
                                              : FromCore(desk_->Option3Caption(index));
    const QSignalBlocker blocker(option);
    // Exclusive buttons could not all be off, as they are before start-up.
    option->setAutoExclusive(false);
    option->setChecked(selected == index);
    if (option->text() != caption)
      option->setText(caption);
  }
  for (QRadioButton* option : std::as_const(options_))
    option->setAutoExclusive(true);
  QRadioButton* extra = options_.value("Option3_4");
  extra->setToolTip(FromCore(desk_->option3ExtraToolTip));

  SetTextIfChanged(txtDir_, FromCore(desk_->txt_DIR_Text));
  if (txtDir_->isVisibleTo(frame3_) != desk_->txt_DIR_Visible)
    txtDir_->setVisible(desk_->txt_DIR_Visible);

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
  Run([this] { desk_->Frame3_DblClick(); });
  // Over the row of subfolder buttons: where the first one is, as wide as
  // all four together.
  const QRect first = options_.value("Option3_1")->geometry();
  const int width = Px(375 + 855 + 855 + 255);
  txtDir_->setGeometry(first.x(), first.y(), width, first.height());
  txtDir_->raise();
}

bool DeskWindow::FilterDirBox(QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    desk_->txt_DIR_Text = ToCore(txtDir_->text());
    inDirDoubleClick_ = true;
    Run([this] { desk_->txt_DIR_DblClick(); });
    inDirDoubleClick_ = false;
    return true;
  }
  if (event->type() == QEvent::FocusOut) {
    // Another window taking the focus (the dialog, a menu) is not the box
    // losing it; nor is the box being hidden by the handler itself.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        inDirDoubleClick_ || !desk_->txt_DIR_Visible) {
      return false;
    }
    desk_->txt_DIR_Text = ToCore(txtDir_->text());
    Run([this] { desk_->txt_DIR_LostFocus(); });
  }
  return false;
}

// --- Toolkit ------------------------------------------------------------------------

void DeskWindow::DoEvents() {
  model_->FlushPendingRows();
  SyncCounters();
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
    if (closeAfterScan_)
      QTimer::singleShot(0, this, &QWidget::close);
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
  // Closed during a scan: the scan ends at its next event run and its
  // readers stop; the window closes once it is over.
  if (busy_) {
    desk_->Form_Unload();
    closeAfterScan_ = true;
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace ndr

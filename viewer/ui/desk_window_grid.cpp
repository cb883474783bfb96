// The grid's events: the mouse over cells and headers, the keyboard, and the
// selection kept the same in the view and in the core's grid.
#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <algorithm>
#include <climits>

#include "desk_window.h"
#include "grid_model.h"

namespace ndr {
namespace {

int ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

int ButtonsCode(Qt::MouseButtons buttons) {
  return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
         (buttons & Qt::MiddleButton ? 4 : 0);
}

int ShiftCode(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
         (modifiers & Qt::AltModifier ? 4 : 0);
}

// The key codes of the platform the viewer was designed on (46 = Delete).
int KeyCode(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
    return key;  // the same as their ASCII capitals and digits
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return 112 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    default:
      return 0;
  }
}

}  // namespace

bool DeskWindow::eventFilter(QObject* watched, QEvent* event) {
  // While a scan runs, the application filter drops all input.
  if (busy_ && IsUserInput(event))
    return true;
  if (watched == txtDir_)
    return FilterDirBox(event);
  if (view_ == nullptr)
    return QMainWindow::eventFilter(watched, event);
  if (watched == view_)
    return FilterGridKey(event);
  if (cornerLabel_ != nullptr && watched == cornerLabel_->parent() &&
      event->type() == QEvent::Resize) {
    cornerLabel_->setGeometry(static_cast<QWidget*>(watched)->rect());
    return false;
  }
  if (watched == view_->viewport() || watched == view_->horizontalHeader()->viewport() ||
      watched == view_->verticalHeader()->viewport() || watched == cornerLabel_) {
    return FilterGridMouse(watched, event);
  }
  return QMainWindow::eventFilter(watched, event);
}

// A point of one of the grid's parts as a point on the whole grid, whose
// cells the core finds: a drag that began in the body and ends over the
// header is over the header.
bool DeskWindow::PointAt(QObject* watched, const QPoint& pos, GridPoint& point) const {
  QHeaderView* header = view_->horizontalHeader();
  QHeaderView* numbers = view_->verticalHeader();
  if (watched != view_->viewport() && watched != header->viewport() &&
      watched != numbers->viewport() && watched != cornerLabel_) {
    return false;
  }
  const QPoint at = static_cast<QWidget*>(watched)->mapTo(view_, pos);
  const QRect body = view_->viewport()->geometry();
  GridViewport grid;
  grid.twipsPerPixel = twipsPerPixel_;
  grid.rowHeight = Px(kGridRowHeight);
  grid.width = body.right() + 1 - numbers->geometry().left();
  grid.height = body.bottom() + 1 - header->geometry().top();
  const int topSection = view_->rowAt(0);
  grid.topRow = (topSection < 0 ? 0 : topSection) + grid_.FixedRows();
  grid.leftPx = header->offset();
  point = PointOnGrid(grid_, grid, at.x() - numbers->geometry().left(),
                      at.y() - header->geometry().top());
  return true;
}

bool DeskWindow::FilterGridMouse(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::Leave) {
    Run([this] { input_->Leave(); });
    return false;
  }
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
      type != QEvent::MouseMove && type != QEvent::MouseButtonDblClick) {
    return false;
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  GridPoint point;
  if (!PointAt(watched, mouse->position().toPoint(), point))
    return false;
  const int shift = ShiftCode(mouse->modifiers());
  const int button = ButtonCode(mouse->button());

  // The core selects and drags; the view only shows what it decided.
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // The press goes to the core before the grid takes the focus: a box
      // that loses the focus may start a scan, and that scan ends the press.
      Run([&] {
        if (type == QEvent::MouseButtonDblClick)
          input_->DoubleClick(button, point);
        else
          input_->Press(button, shift, point);
      });
      if (button != GridInput::kMiddle && view_ != nullptr)
        view_->setFocus(Qt::MouseFocusReason);
      return true;
    case QEvent::MouseMove:
      Run([&] { input_->Move(ButtonsCode(mouse->buttons()), shift, point); });
      if (input_->Captured())
        ScrollToCurrent();
      return true;
    case QEvent::MouseButtonRelease:
      Run([&] { input_->Release(button, shift, point); });
      return true;
    default:
      return false;
  }
}

bool DeskWindow::FilterGridKey(QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
    return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const int code = KeyCode(key->key());
  const int shift = ShiftCode(key->modifiers());
  if (event->type() == QEvent::KeyRelease) {
    Run([&] { input_->KeyUp(code, shift, key->isAutoRepeat()); });
    return false;
  }
  bool moved = false;
  const std::int32_t page = qMax(1, view_->viewport()->height() / qMax(1, Px(kGridRowHeight)));
  Run([&] { moved = input_->KeyDown(code, shift, page); });
  if (moved)
    ScrollToCurrent();
  return moved;
}

// Keeps the moving corner of the selection in view.
void DeskWindow::ScrollToCurrent() {
  const std::int32_t row = grid_.RowSel() - grid_.FixedRows();
  const std::int32_t col = grid_.ColSel() - grid_.FixedCols();
  if (row >= 0 && col >= 0 && row < model_->rowCount() && col < model_->columnCount())
    view_->scrollTo(model_->index(row, col));
}

// The view's selection into the grid: the current index is the moving
// corner (RowSel, ColSel), the opposite corner of the range the anchor.
void DeskWindow::OnViewSelectionChanged() {
  if (syncingSelection_ || runDepth_ > 0 || busy_)
    return;
  const QItemSelectionModel* selection = view_->selectionModel();
  const QModelIndex current = selection->currentIndex();
  const QModelIndexList none;
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
  for (const QItemSelectionRange& range : selection->selection()) {
    top = std::min(top, range.top());
    bottom = std::max(bottom, range.bottom());
    left = std::min(left, range.left());
    right = std::max(right, range.right());
  }
  if (bottom < 0) {
    if (!current.isValid())
      return;
    top = bottom = current.row();
    left = right = current.column();
  }
  int curRow = bottom, curCol = right;
  if (current.isValid() && current.row() >= top && current.row() <= bottom &&
      current.column() >= left && current.column() <= right) {
    curRow = current.row();
    curCol = current.column();
  }
  const int anchorRow = curRow == top ? bottom : top;
  const int anchorCol = curCol == left ? right : left;
  const std::int32_t fr = grid_.FixedRows(), fc = grid_.FixedCols();
  Run([&] {
    grid_.Select(anchorRow + fr, anchorCol + fc, curRow + fr, curCol + fc);
    desk_->MSFlexGrid1_SelChange();
  });
}

// The grid's selection into the view, as far as it covers body cells. The
// view does not scroll for it: the program's moves of the current cell leave
// the visible part of the grid where it is.
void DeskWindow::SyncSelectionFromGrid() {
  selectionDirty_ = false;
  const std::int32_t fr = grid_.FixedRows(), fc = grid_.FixedCols();
  const std::int32_t top = std::max(std::min(grid_.Row(), grid_.RowSel()), fr);
  const std::int32_t bottom = std::min(std::max(grid_.Row(), grid_.RowSel()), grid_.Rows() - 1);
  const std::int32_t left = std::max(std::min(grid_.Col(), grid_.ColSel()), fc);
  const std::int32_t right = std::min(std::max(grid_.Col(), grid_.ColSel()), grid_.Cols() - 1);
  QItemSelection wanted;
  if (top <= bottom && left <= right && bottom - fr < model_->rowCount() &&
      right - fc < model_->columnCount()) {
    wanted.select(model_->index(top - fr, left - fc), model_->index(bottom - fr, right - fc));
  }
  const std::int32_t curRow = grid_.RowSel(), curCol = grid_.ColSel();
  const QModelIndex current =
      curRow >= fr && curCol >= fc ? model_->index(curRow - fr, curCol - fc) : QModelIndex();
  QItemSelectionModel* selection = view_->selectionModel();
  const QItemSelection shown = selection->selection();
  const bool sameRange =
      (wanted.isEmpty() && shown.isEmpty()) ||
      (shown.size() == 1 && !wanted.isEmpty() && shown.first() == wanted.first());
  if (sameRange && selection->currentIndex() == current)
    return;
  syncingSelection_ = true;
  const bool autoScroll = view_->hasAutoScroll();
  view_->setAutoScroll(false);
  selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  selection->select(wanted, QItemSelectionModel::ClearAndSelect);
  view_->setAutoScroll(autoScroll);
  syncingSelection_ = false;
}

}  // namespace ndr

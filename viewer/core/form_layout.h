// The viewer's window frm_ndr_Desk described once, without a toolkit: every
// control with its kind, frame, twips rectangle, caption, colours and hint,
// the menus and the two popup menus, the grid's looks, and the pictures as
// drawings. Each window shell builds itself from this description and sends
// the controls' clicks back through RunFormCommand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ndr {

class Desk;

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

struct TwipsRect {
  int left, top, width, height;
};

constexpr std::string_view kFormTitle = "Returned Mail Desk";
constexpr int kFormClientWidth = 11880;  // twips
constexpr int kFormClientHeight = 8310;
// The font of the controls and of the grid (face, points).
constexpr std::string_view kFormFontFace = "MS Sans Serif";
constexpr double kFormFontPoints = 8.0;
constexpr std::string_view kGridFontFace = "Courier New";
constexpr double kGridFontPoints = 8.25;
constexpr int kGridRowHeight = 240;  // twips, every row alike

// The pictures of the window, drawn by the shells from PictureShapes.
enum class Picture {
  None,
  Sunset,  // the window icon and the flag mark
  ArrowUp,
  ArrowDown,
  ArrowLeft,
  ArrowRight,
  Warning,
  SmilingFace,
  FrowningFace,
  ConcentricSquares,
};

enum class ControlKind { Frame, OptionButton, GraphicalButton, DisplayBox, TextBox, Grid };

// Every control and every menu item by its name, each once: the identifiers
// below and the names the shells give native objects both come from these.
// The entries of a control or menu array share one name.
// clang-format off
#define NDR_FORM_CONTROL_NAMES(X)                                                         \
  X(Frame1) X(Option1) X(Frame2) X(Option2) X(cmd_GO) X(Frame4) X(txt_Info1) X(txt_Info2) \
  X(txt_Info3) X(cmd_UP) X(cmd_LT) X(cmd_HO) X(cmd_RT) X(cmd_DN) X(txt_NbSelV)           \
  X(txt_NbSelH) X(Frame3) X(Option3) X(txt_DIR) X(cmd_MAGIC1) X(cmd_MAGIC2)              \
  X(cmd_DELETE) X(cmd_FLAG) X(cmd_UNFLAG) X(cmd_ERRORE) X(cmd_HOLD) X(cmd_RELEASE)        \
  X(MSFlexGrid1)
#define NDR_FORM_MENU_NAMES(X)                                                           \
  X(Separator) X(MnuExplorer1) X(MnuSExplorer1) X(MnuEXplorer2) X(MnuSExplorer2)         \
  X(MnuApps) X(MnuSApps) X(MnuGrid) X(MnuPOPH) X(MnuPOPHSortX) X(MnuPOPHSortA)           \
  X(MnuPOPHSortD) X(MnuPOPB) X(MnuPOPBSelectAll) X(MnuPOPBDelete) X(MnuPOPBFlag)         \
  X(MnuPOPBUnFlag) X(MnuPOPBMagic1) X(MnuPOPBMagic2) X(MnuPOPBErrore) X(MnuPOPBHold)     \
  X(MnuPOPBMove4) X(MnuPOPBRelease)
// clang-format on
#define NDR_FORM_ENUMERATOR(name) name,
enum class ControlId { NDR_FORM_CONTROL_NAMES(NDR_FORM_ENUMERATOR) };
enum class MenuId { NDR_FORM_MENU_NAMES(NDR_FORM_ENUMERATOR) };
#undef NDR_FORM_ENUMERATOR
#define NDR_FORM_COUNT(name) +1
constexpr int kControlIdCount = 0 NDR_FORM_CONTROL_NAMES(NDR_FORM_COUNT);
constexpr int kMenuIdCount = 0 NDR_FORM_MENU_NAMES(NDR_FORM_COUNT);
#undef NDR_FORM_COUNT
// The highest design index of an array entry (0: not an array).
constexpr int kMaxDesignIndex = 15;

std::string_view ControlName(ControlId id);  // "Option1"
std::string_view MenuName(MenuId id);        // "MnuPOPBHold"

struct ControlSpec {
  ControlId id;
  int index;  // design index within a control array; 0: not an array
  ControlKind kind;
  std::optional<ControlId> parent;  // the frame it sits in; none for the client area
  TwipsRect twips;                  // relative to the parent
  std::string_view caption;
  std::string_view toolTip;
  std::optional<Rgb> background;  // background, or a graphical button's face
  std::optional<Rgb> foreground;  // a frame's caption colour
  Picture picture = Picture::None;
  bool visible = true;
};

// Every control, frames before the controls inside them.
std::span<const ControlSpec> FormControls();
// nullptr when the form has no such entry.
const ControlSpec* FindControl(ControlId id, int index = 0);
// The name shells give a control: "Option1_2" for an array entry, else the name.
std::string ControlKey(ControlId id, int index = 0);
std::string ControlKey(const ControlSpec& control);
// The control's rectangle in twips from the window's client area.
TwipsRect ClientTwips(const ControlSpec& control);

struct MenuSpec {
  MenuId id;
  int index;  // design index within a menu array; 0: not an array
  std::string_view caption;
  std::string_view shortcut;  // "Ctrl+A" or ""
  const MenuSpec* firstItem = nullptr;
  std::size_t itemCount = 0;
  constexpr std::span<const MenuSpec> Items() const { return {firstItem, itemCount}; }
  constexpr bool IsSeparator() const { return id == MenuId::Separator; }
  constexpr bool IsSubmenu() const { return itemCount != 0; }
};

// The menu bar's menus, in order. The Grid menu holds the two popup menus.
std::span<const MenuSpec> FormMenus();
const MenuSpec& HeaderPopupMenu();  // MnuPOPH
const MenuSpec& BodyPopupMenu();    // MnuPOPB
// The menu or item anywhere in the menus; nullptr when there is none.
const MenuSpec* FindMenuItem(MenuId id, int index = 0);
std::string MenuItemKey(MenuId id, int index = 0);  // "MnuSApps_2", "MnuPOPBHold"
std::string MenuItemKey(const MenuSpec& item);

// The grid's looks.
struct GridLooks {
  Rgb cellBackground, cellText, fixedBackground, fixedText, emptyArea, lines;
  std::string_view toolTip;
};
const GridLooks& GridAppearance();

// Runs the handler of a control's click or of a menu item. False when
// nothing answers to it. A click on the selected entry of an option group
// changes nothing.
bool RunFormCommand(Desk& desk, ControlId control, int index = 0);
bool RunFormCommand(Desk& desk, MenuId item, int index = 0);
// A control's double-click: the frame "Parameters 3" and the extra folder's
// box have handlers of their own; on a button it is one more click, so that
// quick clicks all count.
bool RunFormDoubleClick(Desk& desk, ControlId control, int index = 0);

// --- Pictures as drawings ----------------------------------------------------
// Coordinates are in a unit square that a shell maps onto the largest square
// centred in the picture's place; shapes are drawn in order.
struct UnitPoint {
  double x, y;
};
enum class ShapeKind {
  Rect,     // points[0], points[1]: opposite corners
  Ellipse,  // in the rectangle of points[0], points[1]
  Polygon,  // points: the corners
  Arc,      // of the ellipse in points[0], points[1]; degrees from 3 o'clock, anticlockwise
};
struct Shape {
  ShapeKind kind;
  std::vector<UnitPoint> points;
  std::optional<Rgb> fill;
  std::optional<Rgb> pen;
  double penWidth = 0;  // in units of the side; drawn at least one pixel wide
  double startDegrees = 0, spanDegrees = 0;
};
std::vector<Shape> PictureShapes(Picture picture);

}  // namespace ndr

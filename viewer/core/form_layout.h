// The viewer's window frm_ndr_Desk described once, without a toolkit: every
// control with its kind, frame, twips rectangle, caption, colours and hint,
// the menus and the two popup menus, the grid's looks, and the pictures as
// drawings. Each window shell builds itself from this description and sends
// the controls' clicks back through RunFormCommand.
#pragma once

#include <cstdint>
#include <optional>
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

struct ControlSpec {
  std::string_view name;  // the control's name, e.g. "Option1"
  int index;              // design index within a control array; 0: not an array
  ControlKind kind;
  std::string_view parent;  // the frame it sits in; "" for the window's client area
  TwipsRect twips;          // relative to the parent
  std::string_view caption;
  std::string_view toolTip;
  std::optional<Rgb> background;  // background, or a graphical button's face
  std::optional<Rgb> foreground;  // a frame's caption colour
  Picture picture = Picture::None;
  bool visible = true;
};

// Every control, frames before the controls inside them.
const std::vector<ControlSpec>& FormControls();
// nullptr when the form has no such control.
const ControlSpec* FindControl(std::string_view name, int index = 0);
// The name shells give a control: "Option1_2" for an array entry, else the name.
std::string ControlKey(const ControlSpec& control);
// The control's rectangle in twips from the window's client area.
TwipsRect ClientTwips(const ControlSpec& control);

struct MenuSpec {
  std::string_view name;  // "" for a separator
  int index;              // design index within a menu array; 0: not an array
  std::string_view caption;
  std::string_view shortcut;  // "Ctrl+A" or ""
  std::vector<MenuSpec> items;
  bool IsSeparator() const { return name.empty(); }
  bool IsSubmenu() const { return !items.empty(); }
};

// The menu bar's menus, in order. The Grid menu holds the two popup menus.
const std::vector<MenuSpec>& FormMenus();
const MenuSpec& HeaderPopupMenu();              // MnuPOPH
const MenuSpec& BodyPopupMenu();                // MnuPOPB
std::string MenuItemKey(const MenuSpec& item);  // "MnuSApps_2", "MnuPOPBHold"

// The grid's looks.
struct GridLooks {
  Rgb cellBackground, cellText, fixedBackground, fixedText, emptyArea, lines;
  std::string_view toolTip;
};
const GridLooks& GridAppearance();

// Runs the handler of a control's click or a menu item (by ControlKey or
// MenuItemKey's parts). False when nothing answers to the name.
// A click on the selected entry of an option group changes nothing.
bool RunFormCommand(Desk& desk, std::string_view name, int index = 0);
// A control's double-click: the frame "Parameters 3" and the extra folder's
// box have handlers of their own; on a button it is one more click, so that
// quick clicks all count.
bool RunFormDoubleClick(Desk& desk, std::string_view name, int index = 0);

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

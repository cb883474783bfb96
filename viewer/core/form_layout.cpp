#include "form_layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "desk.h"

namespace ndr {
namespace {

constexpr Rgb kFrameBackground{192, 255, 192};
constexpr Rgb kFrameCaption{255, 0, 255};
constexpr Rgb kOptionBackground{255, 192, 255};
constexpr Rgb kExtraOptionBackground{128, 128, 255};
constexpr Rgb kCounterBackground{128, 255, 128};
constexpr Rgb kEmptyCounterBackground{255, 128, 128};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kOrange{255, 128, 0};

using K = ControlKind;

std::vector<ControlSpec> BuildControls() {
  const auto frame = [](std::string_view name, TwipsRect twips, std::string_view caption,
                        std::string_view toolTip) {
    return ControlSpec{name,    0,       K::Frame,         "",           twips,
                       caption, toolTip, kFrameBackground, kFrameCaption};
  };
  const auto option = [](std::string_view name, int index, std::string_view parent, TwipsRect twips,
                         std::string_view caption, Rgb background = kOptionBackground,
                         std::string_view toolTip = "") {
    return ControlSpec{name,    index,   K::OptionButton, parent,      twips,
                       caption, toolTip, background,      std::nullopt};
  };
  const auto display = [](std::string_view name, std::string_view parent, TwipsRect twips,
                          std::string_view text, Rgb background) {
    return ControlSpec{name, 0, K::DisplayBox, parent, twips, text, "", background, std::nullopt};
  };
  const auto button = [](std::string_view name, TwipsRect twips, std::string_view caption,
                         std::string_view toolTip, std::optional<Rgb> face, Picture picture) {
    return ControlSpec{name,    0,    K::GraphicalButton, "",     twips, caption,
                       toolTip, face, std::nullopt,       picture};
  };
  // The action buttons: one row at top 720.
  const auto action = [&](std::string_view name, int left, std::string_view toolTip,
                          Picture picture, std::string_view letter = "",
                          std::optional<Rgb> face = std::nullopt) {
    const int width = picture == Picture::None ? 255 : 375;
    return button(name, {left, 720, width, 375}, letter, toolTip, face, picture);
  };

  return {
      frame("Frame1", {120, 120, 1455, 975}, "Parameters 1",
            "Selected Remailer (P:\\Diverido=WREN, P:\\Zizaruz2=MARLIN)"),
      option("Option1", 1, "Frame1", {120, 240, 1215, 255}, "P:\\Diverido"),
      option("Option1", 2, "Frame1", {120, 600, 1215, 255}, "P:\\Zizaruz2"),
      frame("Frame2", {1680, 120, 3135, 975}, "Parameters 2", "Folder to look in"),
      option("Option2", 6, "Frame2", {720, 360, 1575, 255}, "\\Mail\\~Bounces"),
      button("cmd_GO", {4920, 120, 2895, 255}, "GO", "Forces Reloading of Grid", kGreen,
             Picture::None),
      frame("Frame4", {4920, 480, 2895, 615}, "Files Processed (Number/Size)", ""),
      display("txt_Info1", "Frame4", {120, 240, 615, 285}, "00 000", kCounterBackground),
      display("txt_Info2", "Frame4", {840, 240, 1215, 285}, "00 000 000 000", kCounterBackground),
      display("txt_Info3", "Frame4", {2160, 240, 615, 285}, "00 000", kEmptyCounterBackground),
      button("cmd_UP", {8280, 120, 255, 375}, "", "", std::nullopt, Picture::ArrowUp),
      button("cmd_LT", {7920, 480, 375, 255}, "", "", std::nullopt, Picture::ArrowLeft),
      button("cmd_HO", {8280, 480, 255, 255}, "", "", kOrange, Picture::None),
      button("cmd_RT", {8520, 480, 375, 255}, "", "", std::nullopt, Picture::ArrowRight),
      button("cmd_DN", {8280, 720, 255, 375}, "", "", std::nullopt, Picture::ArrowDown),
      display("txt_NbSelV", "", {7920, 840, 375, 285}, "", kWhite),
      display("txt_NbSelH", "", {8520, 840, 375, 285}, "", kWhite),
      frame("Frame3", {9000, 120, 2775, 495}, "Parameters 3",
            "Special Subfolder (When applicable)"),
      option("Option3", 1, "Frame3", {120, 240, 375, 195}, ""),
      option("Option3", 2, "Frame3", {600, 240, 855, 195}, "\\Wait"),
      option("Option3", 3, "Frame3", {1560, 240, 855, 195}, "\\Errors"),
      option("Option3", 4, "Frame3", {2520, 240, 255, 195}, "\\Local", kExtraOptionBackground,
             "Special Extra Folders"),
      // Laid over the row of subfolder buttons when shown: where the first
      // is, as wide as the four together.
      ControlSpec{"txt_DIR",
                  0,
                  K::TextBox,
                  "Frame3",
                  {120, 240, 375 + 855 + 855 + 255, 195},
                  "",
                  "Double-Click for Folders Dialog Box",
                  Rgb{192, 192, 255},
                  std::nullopt,
                  Picture::None,
                  false},
      action("cmd_MAGIC1", 9000, "MAGIC1 (To View Selected Messages Content)",
             Picture::ConcentricSquares),
      action("cmd_MAGIC2", 9360, "MAGIC2 (To View Selected Messages Content)",
             Picture::ConcentricSquares),
      action("cmd_DELETE", 9720, "DELETE (To Delete Selected Messages Contents)", Picture::Warning),
      action("cmd_FLAG", 10080, "FLAG (To Flag Selected Messages)", Picture::SmilingFace),
      action("cmd_UNFLAG", 10440, "UNFLAG (To UnFlag Selected Messages)", Picture::FrowningFace),
      action("cmd_ERRORE", 11040, "ERRORE (To Move Selected Messages in Error Queue)",
             Picture::None, "E", kOrange),
      action("cmd_HOLD", 11280, "HOLD (To Move Selected Messages in Wait Queue)", Picture::None,
             "H", kWhite),
      action("cmd_RELEASE", 11520, "RELEASE (To Move Selected Messages back in normal  Queue)",
             Picture::None, "R", kGreen),
      ControlSpec{"MSFlexGrid1",
                  0,
                  K::Grid,
                  "",
                  {120, 1200, 11655, 6975},
                  "",
                  "Double-Click to Modify, Right-Click for PopupMenu,Left-Click on Hd to Sort",
                  std::nullopt,
                  std::nullopt},
  };
}

MenuSpec Item(std::string_view name, std::string_view caption, int index = 0,
              std::string_view shortcut = "") {
  return MenuSpec{name, index, caption, shortcut, {}};
}
MenuSpec Separator() {
  return MenuSpec{"", 0, "", "", {}};
}

std::vector<MenuSpec> ExplorerItems(std::string_view name) {
  static constexpr std::string_view kFolders[] = {"Me",
                                                  "Mail",
                                                  "P:\\Mercury\\Logs\\Mercury_C",
                                                  "P:\\Mercury\\Logs\\Mercury_E",
                                                  "P:\\Pmail\\Mail\\Admin",
                                                  "P:\\Pmail\\Mail\\_Bounces",
                                                  "P:\\Pmail\\Mail\\_Remail"};
  std::vector<MenuSpec> items;
  int index = 1;
  for (std::string_view caption : kFolders)
    items.push_back(Item(name, caption, index++));
  return items;
}

std::vector<MenuSpec> BuildMenus() {
  MenuSpec header{"MnuPOPH",
                  0,
                  "Header",
                  "",
                  {Item("MnuPOPHSortX", "Sort x"), Item("MnuPOPHSortA", "Sort +"),
                   Item("MnuPOPHSortD", "Sort -")}};
  MenuSpec body{"MnuPOPB",
                0,
                "Body",
                "",
                {Item("MnuPOPBSelectAll", "Select All", 0, "Ctrl+A"), Separator(),
                 Item("MnuPOPBDelete", "Delete"), Item("MnuPOPBFlag", "Flag"),
                 Item("MnuPOPBUnFlag", "UnFlag"), Item("MnuPOPBMagic1", "Magic1"),
                 Item("MnuPOPBMagic2", "Magic2"), Separator(), Item("MnuPOPBErrore", "Errore"),
                 Item("MnuPOPBHold", "Hold"), Item("MnuPOPBMove4", "Move4"),
                 Item("MnuPOPBRelease", "Release")}};
  return {
      MenuSpec{"MnuExplorer1", 0, "Explorer1", "", ExplorerItems("MnuSExplorer1")},
      MenuSpec{"MnuEXplorer2", 0, "Explorer2", "", ExplorerItems("MnuSExplorer2")},
      MenuSpec{"MnuApps",
               0,
               "Apps",
               "",
               {Item("MnuSApps", "ndr_Requeue.exe", 1), Item("MnuSApps", "ndr_Carry.exe", 2)}},
      MenuSpec{"MnuGrid", 0, "Grid", "", {std::move(header), std::move(body)}},
  };
}

const MenuSpec& GridSubmenu(std::string_view name) {
  for (const MenuSpec& item : FormMenus().back().items) {
    if (item.name == name)
      return item;
  }
  return FormMenus().back();
}

// --- Drawings ------------------------------------------------------------------

Shape Filled(ShapeKind kind, std::vector<UnitPoint> points, Rgb fill) {
  Shape shape{kind, std::move(points), fill, std::nullopt};
  return shape;
}

std::vector<Shape> Sunset() {
  std::vector<Shape> shapes;
  const double horizon = 0.62;
  // The sky from night blue above to the glow at the horizon, in bands.
  const Rgb sky[] = {{40, 30, 110}, {120, 50, 95}, {200, 75, 70}, {235, 130, 65}, {255, 200, 80}};
  const int bands = static_cast<int>(std::size(sky));
  for (int i = 0; i < bands; ++i) {
    shapes.push_back(Filled(ShapeKind::Rect,
                            {{0, horizon * i / bands}, {1, horizon * (i + 1) / bands}}, sky[i]));
  }
  // The sun, half sunk: the sea is drawn over its lower half.
  shapes.push_back(
      Filled(ShapeKind::Ellipse, {{0.26, horizon - 0.24}, {0.74, horizon + 0.24}}, {255, 230, 60}));
  shapes.push_back(Filled(ShapeKind::Rect, {{0, horizon}, {1, 0.81}}, {20, 70, 160}));
  shapes.push_back(Filled(ShapeKind::Rect, {{0, 0.81}, {1, 1}}, {5, 25, 80}));
  // The sun's glitter on the water, narrowing towards the viewer's eye.
  for (int i = 0; i < 3; ++i) {
    const double y = horizon + (1 - horizon) * (i + 0.5) / 3;
    const double half = 0.18 - 0.05 * i;
    shapes.push_back(
        Filled(ShapeKind::Rect, {{0.5 - half, y - 0.02}, {0.5 + half, y + 0.02}}, {255, 210, 90}));
  }
  Shape border{ShapeKind::Rect, {{0, 0}, {1, 1}}, std::nullopt, Rgb{60, 40, 20}, 1.0 / 32};
  shapes.push_back(border);
  return shapes;
}

std::vector<Shape> Arrow(int quarterTurns) {
  // Drawn pointing up, then turned clockwise about the centre.
  std::vector<UnitPoint> points = {{0.5, 0.1},  {0.9, 0.5},  {0.65, 0.5}, {0.65, 0.9},
                                   {0.35, 0.9}, {0.35, 0.5}, {0.1, 0.5}};
  for (UnitPoint& p : points) {
    for (int i = 0; i < quarterTurns; ++i)
      p = {1 - p.y, p.x};
  }
  return {Filled(ShapeKind::Polygon, std::move(points), {0, 0, 128})};
}

std::vector<Shape> Warning() {
  Shape triangle{ShapeKind::Polygon,
                 {{0.5, 0.06}, {0.96, 0.9}, {0.04, 0.9}},
                 Rgb{230, 20, 20},
                 Rgb{120, 0, 0},
                 1.0 / 24};
  return {triangle,
          Filled(ShapeKind::Polygon, {{0.44, 0.32}, {0.56, 0.32}, {0.53, 0.64}, {0.47, 0.64}},
                 {255, 255, 255}),
          Filled(ShapeKind::Ellipse, {{0.44, 0.70}, {0.56, 0.82}}, {255, 255, 255})};
}

std::vector<Shape> Face(bool smiling) {
  const double line = 1.0 / 16;
  Shape head{
      ShapeKind::Ellipse, {{0.06, 0.06}, {0.94, 0.94}}, Rgb{255, 220, 0}, Rgb{90, 60, 0}, line};
  Shape mouth{ShapeKind::Arc, {}, std::nullopt, Rgb{0, 0, 0}, line * 1.3};
  // The lower arc of a circle smiles, the upper one frowns.
  if (smiling) {
    mouth.points = {{0.28, 0.34}, {0.72, 0.72}};
    mouth.startDegrees = 200;
  } else {
    mouth.points = {{0.28, 0.62}, {0.72, 0.92}};
    mouth.startDegrees = 20;
  }
  mouth.spanDegrees = 140;
  return {head, Filled(ShapeKind::Ellipse, {{0.30, 0.30}, {0.42, 0.46}}, {0, 0, 0}),
          Filled(ShapeKind::Ellipse, {{0.58, 0.30}, {0.70, 0.46}}, {0, 0, 0}), mouth};
}

std::vector<Shape> ConcentricSquares() {
  const Rgb colours[] = {{255, 0, 0},   {255, 160, 0}, {255, 255, 0}, {0, 220, 0},
                         {0, 200, 255}, {0, 0, 255},   {200, 0, 255}, {255, 0, 160}};
  const int steps = static_cast<int>(std::size(colours));
  const double step = 1.0 / (2.0 * steps);
  std::vector<Shape> shapes;
  for (int i = 0; i < steps; ++i) {
    shapes.push_back(
        Filled(ShapeKind::Rect, {{i * step, i * step}, {1 - i * step, 1 - i * step}}, colours[i]));
  }
  return shapes;
}

// "Name" or "Name_index" for a member of a control or menu array, built
// without operator+ on a temporary, which GCC 12 falsely warns about.
std::string IndexedKey(std::string_view name, int index) {
  std::string key(name);
  if (index != 0) {
    key += '_';
    key += std::to_string(index);
  }
  return key;
}

}  // namespace

const std::vector<ControlSpec>& FormControls() {
  static const std::vector<ControlSpec> controls = BuildControls();
  return controls;
}

const ControlSpec* FindControl(std::string_view name, int index) {
  for (const ControlSpec& control : FormControls()) {
    if (control.name == name && control.index == index)
      return &control;
  }
  return nullptr;
}

std::string ControlKey(const ControlSpec& control) {
  return IndexedKey(control.name, control.index);
}

TwipsRect ClientTwips(const ControlSpec& control) {
  TwipsRect rect = control.twips;
  if (const ControlSpec* parent = FindControl(control.parent)) {
    rect.left += parent->twips.left;
    rect.top += parent->twips.top;
  }
  return rect;
}

const std::vector<MenuSpec>& FormMenus() {
  static const std::vector<MenuSpec> menus = BuildMenus();
  return menus;
}

const MenuSpec& HeaderPopupMenu() {
  return GridSubmenu("MnuPOPH");
}
const MenuSpec& BodyPopupMenu() {
  return GridSubmenu("MnuPOPB");
}

std::string MenuItemKey(const MenuSpec& item) {
  return IndexedKey(item.name, item.index);
}

const GridLooks& GridAppearance() {
  static const GridLooks looks{{128, 255, 255},
                               {0, 0, 0},
                               {0, 192, 0},
                               {192, 0, 192},
                               {192, 255, 192},
                               {255, 0, 255},
                               FindControl("MSFlexGrid1")->toolTip};
  return looks;
}

bool RunFormCommand(Desk& desk, std::string_view name, int index) {
  using Handler = void (Desk::*)();
  static const std::pair<std::string_view, Handler> kPlain[] = {
      {"cmd_GO", &Desk::cmd_GO_Click},
      {"cmd_UP", &Desk::cmd_UP_Click},
      {"cmd_DN", &Desk::cmd_DN_Click},
      {"cmd_LT", &Desk::cmd_LT_Click},
      {"cmd_RT", &Desk::cmd_RT_Click},
      {"cmd_HO", &Desk::cmd_HO_Click},
      {"cmd_MAGIC1", &Desk::cmd_MAGIC1_Click},
      {"cmd_MAGIC2", &Desk::cmd_MAGIC2_Click},
      {"cmd_DELETE", &Desk::cmd_DELETE_Click},
      {"cmd_FLAG", &Desk::cmd_FLAG_Click},
      {"cmd_UNFLAG", &Desk::cmd_UNFLAG_Click},
      {"cmd_ERRORE", &Desk::cmd_ERRORE_Click},
      {"cmd_HOLD", &Desk::cmd_HOLD_Click},
      {"cmd_RELEASE", &Desk::cmd_RELEASE_Click},
      {"MnuPOPHSortX", &Desk::MnuPOPHSortX_Click},
      {"MnuPOPHSortA", &Desk::MnuPOPHSortA_Click},
      {"MnuPOPHSortD", &Desk::MnuPOPHSortD_Click},
      {"MnuPOPBSelectAll", &Desk::MnuPOPBSelectAll_Click},
      {"MnuPOPBDelete", &Desk::MnuPOPBDelete_Click},
      {"MnuPOPBFlag", &Desk::MnuPOPBFlag_Click},
      {"MnuPOPBUnFlag", &Desk::MnuPOPBUnFlag_Click},
      {"MnuPOPBMagic1", &Desk::MnuPOPBMagic1_Click},
      {"MnuPOPBMagic2", &Desk::MnuPOPBMagic2_Click},
      {"MnuPOPBErrore", &Desk::MnuPOPBErrore_Click},
      {"MnuPOPBHold", &Desk::MnuPOPBHold_Click},
      {"MnuPOPBMove4", &Desk::MnuPOPBMove4_Click},
      {"MnuPOPBRelease", &Desk::MnuPOPBRelease_Click},
  };
  using IndexHandler = void (Desk::*)(int);
  static const std::pair<std::string_view, IndexHandler> kIndexed[] = {
      {"Option1", &Desk::Option1_Click},
      {"Option2", &Desk::Option2_Click},
      {"Option3", &Desk::Option3_Click},
      {"MnuSExplorer1", &Desk::MnuSExplorer1_Click},
      {"MnuSExplorer2", &Desk::MnuSExplorer2_Click},
      {"MnuSApps", &Desk::MnuSApps_Click},
  };
  for (const auto& [key, handler] : kPlain) {
    if (key == name) {
      (desk.*handler)();
      return true;
    }
  }
  if (Desk::IsOptionGroup(name) && desk.SelectedOption(name) == index)
    return true;
  for (const auto& [key, handler] : kIndexed) {
    if (key == name) {
      (desk.*handler)(index);
      return true;
    }
  }
  return false;
}

bool RunFormDoubleClick(Desk& desk, std::string_view name, int index) {
  if (name == "Frame3") {
    desk.Frame3_DblClick();
    return true;
  }
  if (name == "txt_DIR") {
    desk.txt_DIR_DblClick();
    return true;
  }
  const ControlSpec* control = FindControl(name, index);
  if (control == nullptr ||
      (control->kind != ControlKind::GraphicalButton && control->kind != ControlKind::OptionButton))
    return false;
  return RunFormCommand(desk, name, index);
}

std::vector<Shape> PictureShapes(Picture picture) {
  switch (picture) {
    case Picture::Sunset:
      return Sunset();
    case Picture::ArrowUp:
      return Arrow(0);
    case Picture::ArrowRight:
      return Arrow(1);
    case Picture::ArrowDown:
      return Arrow(2);
    case Picture::ArrowLeft:
      return Arrow(3);
    case Picture::Warning:
      return Warning();
    case Picture::SmilingFace:
      return Face(true);
    case Picture::FrowningFace:
      return Face(false);
    case Picture::ConcentricSquares:
      return ConcentricSquares();
    case Picture::None:
      break;
  }
  return {};
}

}  // namespace ndr

#include "form_layout.h"

#include <algorithm>
#include <array>
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
using C = ControlId;
using M = MenuId;

constexpr ControlSpec Frame(ControlId id, TwipsRect twips, std::string_view caption,
                            std::string_view toolTip) {
  return ControlSpec{id,      0,       K::Frame,         std::nullopt, twips,
                     caption, toolTip, kFrameBackground, kFrameCaption};
}
constexpr ControlSpec Option(ControlId id, int index, ControlId frame, TwipsRect twips,
                             std::string_view caption, Rgb background = kOptionBackground,
                             std::string_view toolTip = "") {
  return ControlSpec{id,      index,   K::OptionButton, frame,       twips,
                     caption, toolTip, background,      std::nullopt};
}
constexpr ControlSpec Display(ControlId id, std::optional<ControlId> frame, TwipsRect twips,
                              std::string_view text, Rgb background) {
  return ControlSpec{id, 0, K::DisplayBox, frame, twips, text, "", background, std::nullopt};
}
constexpr ControlSpec Button(ControlId id, TwipsRect twips, std::string_view caption,
                             std::string_view toolTip, std::optional<Rgb> face, Picture picture) {
  return ControlSpec{id,      0,    K::GraphicalButton, std::nullopt, twips, caption,
                     toolTip, face, std::nullopt,       picture};
}
// The action buttons: one row at top 720.
constexpr ControlSpec Action(ControlId id, int left, std::string_view toolTip, Picture picture,
                             std::string_view letter = "", std::optional<Rgb> face = std::nullopt) {
  const int width = picture == Picture::None ? 255 : 375;
  return Button(id, {left, 720, width, 375}, letter, toolTip, face, picture);
}

constexpr ControlSpec kControls[] = {
    Frame(C::Frame1, {120, 120, 1455, 975}, "Parameters 1",
          "Selected Remailer (P:\\Diverido=WREN, P:\\Zizaruz2=MARLIN)"),
    Option(C::Option1, 1, C::Frame1, {120, 240, 1215, 255}, "P:\\Diverido"),
    Option(C::Option1, 2, C::Frame1, {120, 600, 1215, 255}, "P:\\Zizaruz2"),
    Frame(C::Frame2, {1680, 120, 3135, 975}, "Parameters 2", "Folder to look in"),
    Option(C::Option2, 6, C::Frame2, {720, 360, 1575, 255}, "\\Mail\\~Bounces"),
    Button(C::cmd_GO, {4920, 120, 2895, 255}, "GO", "Forces Reloading of Grid", kGreen,
           Picture::None),
    Frame(C::Frame4, {4920, 480, 2895, 615}, "Files Processed (Number/Size)", ""),
    Display(C::txt_Info1, C::Frame4, {120, 240, 615, 285}, "00 000", kCounterBackground),
    Display(C::txt_Info2, C::Frame4, {840, 240, 1215, 285}, "00 000 000 000", kCounterBackground),
    Display(C::txt_Info3, C::Frame4, {2160, 240, 615, 285}, "00 000", kEmptyCounterBackground),
    Button(C::cmd_UP, {8280, 120, 255, 375}, "", "", std::nullopt, Picture::ArrowUp),
    Button(C::cmd_LT, {7920, 480, 375, 255}, "", "", std::nullopt, Picture::ArrowLeft),
    Button(C::cmd_HO, {8280, 480, 255, 255}, "", "", kOrange, Picture::None),
    Button(C::cmd_RT, {8520, 480, 375, 255}, "", "", std::nullopt, Picture::ArrowRight),
    Button(C::cmd_DN, {8280, 720, 255, 375}, "", "", std::nullopt, Picture::ArrowDown),
    Display(C::txt_NbSelV, std::nullopt, {7920, 840, 375, 285}, "", kWhite),
    Display(C::txt_NbSelH, std::nullopt, {8520, 840, 375, 285}, "", kWhite),
    Frame(C::Frame3, {9000, 120, 2775, 495}, "Parameters 3", "Special Subfolder (When applicable)"),
    Option(C::Option3, 1, C::Frame3, {120, 240, 375, 195}, ""),
    Option(C::Option3, 2, C::Frame3, {600, 240, 855, 195}, "\\Wait"),
    Option(C::Option3, 3, C::Frame3, {1560, 240, 855, 195}, "\\Errors"),
    Option(C::Option3, 4, C::Frame3, {2520, 240, 255, 195}, "\\Local", kExtraOptionBackground,
           "Special Extra Folders"),
    // Laid over the row of subfolder buttons when shown: where the first is,
    // as wide as the four together.
    ControlSpec{C::txt_DIR,
                0,
                K::TextBox,
                C::Frame3,
                {120, 240, 375 + 855 + 855 + 255, 195},
                "",
                "Double-Click for Folders Dialog Box",
                Rgb{192, 192, 255},
                std::nullopt,
                Picture::None,
                false},
    Action(C::cmd_MAGIC1, 9000, "MAGIC1 (To View Selected Messages Content)",
           Picture::ConcentricSquares),
    Action(C::cmd_MAGIC2, 9360, "MAGIC2 (To View Selected Messages Content)",
           Picture::ConcentricSquares),
    Action(C::cmd_DELETE, 9720, "DELETE (To Delete Selected Messages Contents)", Picture::Warning),
    Action(C::cmd_FLAG, 10080, "FLAG (To Flag Selected Messages)", Picture::SmilingFace),
    Action(C::cmd_UNFLAG, 10440, "UNFLAG (To UnFlag Selected Messages)", Picture::FrowningFace),
    Action(C::cmd_ERRORE, 11040, "ERRORE (To Move Selected Messages in Error Queue)", Picture::None,
           "E", kOrange),
    Action(C::cmd_HOLD, 11280, "HOLD (To Move Selected Messages in Wait Queue)", Picture::None, "H",
           kWhite),
    Action(C::cmd_RELEASE, 11520, "RELEASE (To Move Selected Messages back in normal  Queue)",
           Picture::None, "R", kGreen),
    ControlSpec{C::MSFlexGrid1,
                0,
                K::Grid,
                std::nullopt,
                {120, 1200, 11655, 6975},
                "",
                "Double-Click to Modify, Right-Click for PopupMenu,Left-Click on Hd to Sort",
                std::nullopt,
                std::nullopt},
};

constexpr MenuSpec Item(MenuId id, std::string_view caption, int index = 0,
                        std::string_view shortcut = "") {
  return MenuSpec{id, index, caption, shortcut};
}
constexpr MenuSpec kSeparator{M::Separator, 0, "", ""};
template <std::size_t N>
constexpr MenuSpec Submenu(MenuId id, std::string_view caption, const MenuSpec (&items)[N]) {
  return MenuSpec{id, 0, caption, "", items, N};
}

constexpr std::string_view kExplorerFolders[] = {"Me",
                                                 "Mail",
                                                 "P:\\Mercury\\Logs\\Mercury_C",
                                                 "P:\\Mercury\\Logs\\Mercury_E",
                                                 "P:\\Pmail\\Mail\\Admin",
                                                 "P:\\Pmail\\Mail\\_Bounces",
                                                 "P:\\Pmail\\Mail\\_Remail"};
template <std::size_t... I>
constexpr std::array<MenuSpec, sizeof...(I)> ExplorerItems(MenuId id, std::index_sequence<I...>) {
  return {Item(id, kExplorerFolders[I], static_cast<int>(I) + 1)...};
}
constexpr auto kExplorer1Items =
    ExplorerItems(M::MnuSExplorer1, std::make_index_sequence<std::size(kExplorerFolders)>());
constexpr auto kExplorer2Items =
    ExplorerItems(M::MnuSExplorer2, std::make_index_sequence<std::size(kExplorerFolders)>());
constexpr MenuSpec kAppsItems[] = {Item(M::MnuSApps, "ndr_Requeue.exe", 1),
                                   Item(M::MnuSApps, "ndr_Carry.exe", 2)};
constexpr MenuSpec kHeaderItems[] = {Item(M::MnuPOPHSortX, "Sort x"),
                                     Item(M::MnuPOPHSortA, "Sort +"),
                                     Item(M::MnuPOPHSortD, "Sort -")};
constexpr MenuSpec kBodyItems[] = {Item(M::MnuPOPBSelectAll, "Select All", 0, "Ctrl+A"),
                                   kSeparator,
                                   Item(M::MnuPOPBDelete, "Delete"),
                                   Item(M::MnuPOPBFlag, "Flag"),
                                   Item(M::MnuPOPBUnFlag, "UnFlag"),
                                   Item(M::MnuPOPBMagic1, "Magic1"),
                                   Item(M::MnuPOPBMagic2, "Magic2"),
                                   kSeparator,
                                   Item(M::MnuPOPBErrore, "Errore"),
                                   Item(M::MnuPOPBHold, "Hold"),
                                   Item(M::MnuPOPBMove4, "Move4"),
                                   Item(M::MnuPOPBRelease, "Release")};
constexpr MenuSpec kGridItems[] = {Submenu(M::MnuPOPH, "Header", kHeaderItems),
                                   Submenu(M::MnuPOPB, "Body", kBodyItems)};
constexpr MenuSpec kMenus[] = {
    MenuSpec{M::MnuExplorer1, 0, "Explorer1", "", kExplorer1Items.data(), kExplorer1Items.size()},
    MenuSpec{M::MnuEXplorer2, 0, "Explorer2", "", kExplorer2Items.data(), kExplorer2Items.size()},
    Submenu(M::MnuApps, "Apps", kAppsItems),
    Submenu(M::MnuGrid, "Grid", kGridItems),
};

// Every design index fits the range the shells number entries in.
constexpr bool IndexesFit(std::span<const MenuSpec> menus) {
  for (const MenuSpec& item : menus) {
    if (item.index < 0 || item.index > kMaxDesignIndex || !IndexesFit(item.Items()))
      return false;
  }
  return true;
}
constexpr bool IndexesFit() {
  for (const ControlSpec& control : kControls) {
    if (control.index < 0 || control.index > kMaxDesignIndex)
      return false;
  }
  return IndexesFit(kMenus);
}
static_assert(IndexesFit());

const MenuSpec* FindIn(std::span<const MenuSpec> menus, MenuId id, int index) {
  for (const MenuSpec& item : menus) {
    if (item.id == id && item.index == index)
      return &item;
    if (const MenuSpec* found = FindIn(item.Items(), id, index))
      return found;
  }
  return nullptr;
}

#define NDR_FORM_NAME(name) #name,
constexpr std::string_view kControlNames[] = {NDR_FORM_CONTROL_NAMES(NDR_FORM_NAME)};
constexpr std::string_view kMenuNames[] = {NDR_FORM_MENU_NAMES(NDR_FORM_NAME)};
#undef NDR_FORM_NAME

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

// The handlers of the controls' clicks and of the menu items.
using Handler = void (Desk::*)();
using IndexHandler = void (Desk::*)(int);  // of an array's entry, by design index
constexpr std::pair<ControlId, Handler> kButtonClicks[] = {
    {C::cmd_GO, &Desk::cmd_GO_Click},         {C::cmd_UP, &Desk::cmd_UP_Click},
    {C::cmd_DN, &Desk::cmd_DN_Click},         {C::cmd_LT, &Desk::cmd_LT_Click},
    {C::cmd_RT, &Desk::cmd_RT_Click},         {C::cmd_HO, &Desk::cmd_HO_Click},
    {C::cmd_MAGIC1, &Desk::cmd_MAGIC1_Click}, {C::cmd_MAGIC2, &Desk::cmd_MAGIC2_Click},
    {C::cmd_DELETE, &Desk::cmd_DELETE_Click}, {C::cmd_FLAG, &Desk::cmd_FLAG_Click},
    {C::cmd_UNFLAG, &Desk::cmd_UNFLAG_Click}, {C::cmd_ERRORE, &Desk::cmd_ERRORE_Click},
    {C::cmd_HOLD, &Desk::cmd_HOLD_Click},     {C::cmd_RELEASE, &Desk::cmd_RELEASE_Click},
};
constexpr std::pair<ControlId, IndexHandler> kOptionClicks[] = {
    {C::Option1, &Desk::Option1_Click},
    {C::Option2, &Desk::Option2_Click},
    {C::Option3, &Desk::Option3_Click},
};
constexpr std::pair<MenuId, Handler> kMenuClicks[] = {
    {M::MnuPOPHSortX, &Desk::MnuPOPHSortX_Click},
    {M::MnuPOPHSortA, &Desk::MnuPOPHSortA_Click},
    {M::MnuPOPHSortD, &Desk::MnuPOPHSortD_Click},
    {M::MnuPOPBSelectAll, &Desk::MnuPOPBSelectAll_Click},
    {M::MnuPOPBDelete, &Desk::MnuPOPBDelete_Click},
    {M::MnuPOPBFlag, &Desk::MnuPOPBFlag_Click},
    {M::MnuPOPBUnFlag, &Desk::MnuPOPBUnFlag_Click},
    {M::MnuPOPBMagic1, &Desk::MnuPOPBMagic1_Click},
    {M::MnuPOPBMagic2, &Desk::MnuPOPBMagic2_Click},
    {M::MnuPOPBErrore, &Desk::MnuPOPBErrore_Click},
    {M::MnuPOPBHold, &Desk::MnuPOPBHold_Click},
    {M::MnuPOPBMove4, &Desk::MnuPOPBMove4_Click},
    {M::MnuPOPBRelease, &Desk::MnuPOPBRelease_Click},
};
constexpr std::pair<MenuId, IndexHandler> kMenuArrayClicks[] = {
    {M::MnuSExplorer1, &Desk::MnuSExplorer1_Click},
    {M::MnuSExplorer2, &Desk::MnuSExplorer2_Click},
    {M::MnuSApps, &Desk::MnuSApps_Click},
};

template <typename Id, typename H, std::size_t N>
H HandlerOf(const std::pair<Id, H> (&table)[N], Id id) {
  for (const auto& [key, handler] : table) {
    if (key == id)
      return handler;
  }
  return nullptr;
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

std::string_view ControlName(ControlId id) {
  return kControlNames[static_cast<std::size_t>(id)];
}
std::string_view MenuName(MenuId id) {
  return kMenuNames[static_cast<std::size_t>(id)];
}

std::span<const ControlSpec> FormControls() {
  return kControls;
}

const ControlSpec* FindControl(ControlId id, int index) {
  for (const ControlSpec& control : kControls) {
    if (control.id == id && control.index == index)
      return &control;
  }
  return nullptr;
}

std::string ControlKey(ControlId id, int index) {
  return IndexedKey(ControlName(id), index);
}
std::string ControlKey(const ControlSpec& control) {
  return ControlKey(control.id, control.index);
}

TwipsRect ClientTwips(const ControlSpec& control) {
  TwipsRect rect = control.twips;
  if (control.parent) {
    const ControlSpec& parent = *FindControl(*control.parent);
    rect.left += parent.twips.left;
    rect.top += parent.twips.top;
  }
  return rect;
}

std::span<const MenuSpec> FormMenus() {
  return kMenus;
}

const MenuSpec* FindMenuItem(MenuId id, int index) {
  return FindIn(kMenus, id, index);
}

const MenuSpec& HeaderPopupMenu() {
  return *FindMenuItem(MenuId::MnuPOPH);
}
const MenuSpec& BodyPopupMenu() {
  return *FindMenuItem(MenuId::MnuPOPB);
}

std::string MenuItemKey(MenuId id, int index) {
  return IndexedKey(MenuName(id), index);
}
std::string MenuItemKey(const MenuSpec& item) {
  return MenuItemKey(item.id, item.index);
}

const GridLooks& GridAppearance() {
  static const GridLooks looks{{128, 255, 255},
                               {0, 0, 0},
                               {0, 192, 0},
                               {192, 0, 192},
                               {192, 255, 192},
                               {255, 0, 255},
                               FindControl(ControlId::MSFlexGrid1)->toolTip};
  return looks;
}

bool RunFormCommand(Desk& desk, ControlId control, int index) {
  if (const Handler handler = HandlerOf(kButtonClicks, control)) {
    (desk.*handler)();
    return true;
  }
  if (const IndexHandler handler = HandlerOf(kOptionClicks, control)) {
    if (desk.SelectedOption(control) != index)
      (desk.*handler)(index);
    return true;
  }
  return false;
}

bool RunFormCommand(Desk& desk, MenuId item, int index) {
  if (const Handler handler = HandlerOf(kMenuClicks, item)) {
    (desk.*handler)();
    return true;
  }
  if (const IndexHandler handler = HandlerOf(kMenuArrayClicks, item)) {
    (desk.*handler)(index);
    return true;
  }
  return false;
}

bool RunFormDoubleClick(Desk& desk, ControlId control, int index) {
  if (control == C::Frame3) {
    desk.Frame3_DblClick();
    return true;
  }
  if (control == C::txt_DIR) {
    desk.txt_DIR_DblClick();
    return true;
  }
  const ControlSpec* found = FindControl(control, index);
  if (found == nullptr ||
      (found->kind != ControlKind::GraphicalButton && found->kind != ControlKind::OptionButton))
    return false;
  return RunFormCommand(desk, control, index);
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

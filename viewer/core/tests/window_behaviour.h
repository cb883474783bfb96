// What the operator sees and does, written once and run against each window
// through a driver of its own: the Qt window on a virtual display, the Win32
// window under Wine. A driver sends real input to the window and reads the
// result back from the window itself; the scenarios check files on disk.
// Positions and captions come from the form's description.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "form_layout.h"
#include "test_support.h"

namespace ndr::behaviour {

inline const std::string kBounces = "P:\\Diverido\\Mail\\~Bounces";
constexpr int kDeleteKey = 46;
using Names = std::vector<std::string>;

// A bounce whose size grows with padding.
inline std::string Message(const std::string& subject, std::size_t padding) {
  return "From: daemon@relay.example\r\nTo: remailer@example.net\r\nSubject: " + subject +
         "\r\nDate: Thu, 5 Feb 2004 09:15:00 +0000\r\n\r\n" + std::string(padding, 'x') + "\r\n";
}

// A subject far wider than the screen.
inline std::string LongSubject() {
  std::string subject;
  for (int i = 0; i < 40; ++i)
    subject += "word" + std::to_string(i) + " ";
  return subject + "end";
}

// Five bounces b1..b5 (b3 with the long subject), an empty file, the three
// subfolders and one more, two bounces in Local.
inline void BuildStandardTree() {
  std::vector<testsupport::TreeEntry> entries = {{"Wait\\", ""},
                                                 {"Errors\\", ""},
                                                 {"Other\\", ""},
                                                 {"empty.cnm", ""},
                                                 {"Local\\l1.cnm", Message("L1", 10)},
                                                 {"Local\\l2.cnm", Message("L2", 20)}};
  for (int i = 1; i <= 5; ++i) {
    const std::string subject = i == 3 ? LongSubject() : "S" + std::to_string(i);
    entries.emplace_back("b" + std::to_string(i) + ".cnm", Message(subject, 1000 * (6 - i)));
  }
  testsupport::BuildTree(kBounces, entries);
}

inline bool Exists(const std::string& subPath) {
  return testsupport::FileExists(kBounces + subPath);
}

struct Selection {
  int row, col, rowSel, colSel;
  bool operator==(const Selection&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Selection& s) {
  return out << s.row << "," << s.col << "-" << s.rowSel << "," << s.colSel;
}

class WindowDriver {
 public:
  virtual ~WindowDriver() = default;
  // Starts the window, the start-up scan done; false when it did not come up.
  virtual bool Start() = 0;

  // The window.
  virtual std::string Title() = 0;
  virtual int Px(int twips) = 0;       // twips as whole pixels of the screen
  virtual TwipsRect ClientSize() = 0;  // the client area under the menu bar, pixels
  virtual int OffCentre() = 0;         // pixels from the screen's centre, the larger axis
  virtual TwipsRect Place(ControlId id, int index) = 0;  // pixels in the client area
  virtual bool Visible(ControlId id, int index = 0) = 0;
  virtual std::string Text(ControlId id, int index = 0) = 0;  // caption or box text
  virtual bool Checked(ControlId id, int index) = 0;
  virtual bool Focused(ControlId id) = 0;
  virtual bool PointerCaptured() = 0;

  // Controls and menus.
  virtual void Click(ControlId id, int index = 0) = 0;
  // Clicks in quick pairs: the second of each pair arrives as a double-click.
  virtual void ClickQuickly(ControlId id, int clicks) = 0;
  virtual void DoubleClick(ControlId id, int index = 0) = 0;
  // Replaces the focused box's text by typing.
  virtual void Type(const std::string& text) = 0;
  virtual void Menu(MenuId item, int index = 0) = 0;
  // The next file dialog's answer: a full path, or "" to cancel it.
  virtual void AnswerFileDialog(const std::string& path) = 0;
  // Clicks a control and tells whether it showed as checked while the scan
  // the click started was still running.
  virtual bool CheckedDuringScan(ControlId id, int index) = 0;
  // Clicks a control and asks the window to close while the scan the click
  // started runs.
  virtual void CloseDuringScan(ControlId id, int index) = 0;
  // Whether the window has closed (the program ended cleanly), waiting a while.
  virtual bool Closed() = 0;

  // Starting the program once more while this copy runs, minimised: the
  // second copy's exit status once it ended (-1 when it did not end), and
  // whether this window is back in front, restored, soon after.
  virtual void Minimise() = 0;
  virtual int StartAgain() = 0;
  virtual bool BackInFront() = 0;

  // The grid; presses are of the left button, with or without Shift.
  virtual void Press(int row, int col, bool shift = false) = 0;
  virtual void MoveTo(int row, int col, bool leftDown = false) = 0;
  virtual void MoveBelowTheRows() = 0;
  virtual void Release(int row, int col) = 0;
  // The key goes down and stays down while the system repeats it.
  virtual void HoldKey(int key) = 0;
  virtual void KeyUp(int key) = 0;
  virtual int Rows() = 0;
  virtual std::string Cell(int row, int col) = 0;
  virtual Selection Selected() = 0;
  virtual bool Flagged(int row) = 0;
  virtual std::string Hint() = 0;  // "" when none shows
  virtual int HintMaxWidth() = 0;  // pixels a hint line may take; 0: unbounded

  // A press and its release; a driver may let the release come a moment
  // later, as a hand does, while a scan the press started still runs.
  virtual void ClickCell(int row, int col, bool shift = false) {
    Press(row, col, shift);
    Release(row, col);
  }
  void Drag(int row, int col, int toRow, int toCol) {
    Press(row, col);
    MoveTo(toRow, toCol, true);
    Release(toRow, toCol);
  }
  Names Column(int col) {
    Names texts;
    for (int row = 1; row < Rows(); ++row)
      texts.push_back(Cell(row, col));
    return texts;
  }
  std::string Counts() { return Text(ControlId::txt_NbSelV) + "x" + Text(ControlId::txt_NbSelH); }
};

// Defined by each driver's test program.
std::unique_ptr<WindowDriver> MakeWindowDriver();

// Enough bounces in \\Wait for its scan to take a while.
inline void FillWait() {
  std::vector<testsupport::TreeEntry> many;
  for (int i = 0; i < 3000; ++i)
    many.emplace_back("w" + std::to_string(i) + ".cnm", Message("W", 10));
  testsupport::BuildTree(kBounces + "\\Wait", many);
}

class WindowBehaviour : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildStandardTree();
    window_ = MakeWindowDriver();
    if (window_ == nullptr)
      GTEST_SKIP() << "no display for the window";
    ASSERT_TRUE(window_->Start());
  }
  void TearDown() override { window_.reset(); }
  WindowDriver& w() { return *window_; }
  // Sorted by name: rows 1..5 are b1..b5.
  void SortByName() {
    w().ClickCell(0, 1);
    ASSERT_EQ(w().Cell(1, 1), "b1.cnm");
  }

 private:
  std::unique_ptr<WindowDriver> window_;
};

TEST_F(WindowBehaviour, StartsCentredWithTheFormsControlsAndListsTheBounceFolder) {
  EXPECT_EQ(w().Title(), kFormTitle);
  const TwipsRect client = w().ClientSize();
  EXPECT_EQ(client.width, w().Px(kFormClientWidth));
  EXPECT_EQ(client.height, w().Px(kFormClientHeight));
  EXPECT_LE(w().OffCentre(), 2);  // halves rounded on both sides
  for (const ControlSpec& control : FormControls()) {
    SCOPED_TRACE(ControlKey(control));
    EXPECT_EQ(w().Visible(control.id, control.index), control.visible);
    const TwipsRect place = w().Place(control.id, control.index), twips = ClientTwips(control);
    EXPECT_NEAR(place.left, w().Px(twips.left), 1);
    EXPECT_NEAR(place.top, w().Px(twips.top), 1);
    EXPECT_NEAR(place.width, w().Px(twips.width), 1);
    EXPECT_NEAR(place.height, w().Px(twips.height), 1);
  }
  EXPECT_EQ(w().Text(ControlId::txt_Info1), "5");
  EXPECT_EQ(w().Text(ControlId::txt_Info3), "1");
  EXPECT_EQ(w().Text(ControlId::Option1, 1), FindControl(ControlId::Option1, 1)->caption);
  EXPECT_TRUE(w().Checked(ControlId::Option1, 1));
  EXPECT_TRUE(w().Checked(ControlId::Option2, 6));
  EXPECT_TRUE(w().Checked(ControlId::Option3, 1));
  Names names = w().Column(1);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Names{"b1.cnm", "b2.cnm", "b3.cnm", "b4.cnm", "b5.cnm"}));
}

// The new choice shows while its scan runs, not only once it is over.
TEST_F(WindowBehaviour, OptionsReloadAndTheChoiceShowsAtOnce) {
  FillWait();
  EXPECT_TRUE(w().CheckedDuringScan(ControlId::Option3, 2));
  EXPECT_FALSE(w().Checked(ControlId::Option3, 1));
  EXPECT_EQ(w().Rows(), 3001);
  w().Click(ControlId::Option3, 4);
  EXPECT_EQ(w().Rows(), 3);
}

TEST_F(WindowBehaviour, HeaderPressesSortAndMoveTheMark) {
  w().ClickCell(0, 2);  // Size: b5 is the smallest
  EXPECT_EQ(w().Cell(1, 1), "b5.cnm");
  EXPECT_EQ(w().Cell(0, 2), "Size:+");
  w().ClickCell(0, 2);
  EXPECT_EQ(w().Cell(1, 1), "b1.cnm");
  EXPECT_EQ(w().Cell(0, 2), "Size:-");
  w().ClickCell(0, 1);
  EXPECT_EQ(w().Cell(0, 1), "Name:+");
  EXPECT_EQ(w().Cell(0, 2), "Size: ");
  EXPECT_EQ(w().Column(1), (Names{"b1.cnm", "b2.cnm", "b3.cnm", "b4.cnm", "b5.cnm"}));
}

TEST_F(WindowBehaviour, SelectionByClickShiftDragRowNumberAndSelectAll) {
  w().ClickCell(2, 2);
  EXPECT_EQ(w().Counts(), "1x1");
  w().ClickCell(4, 3, true);
  EXPECT_EQ(w().Counts(), "3x2");
  w().Drag(5, 4, 3, 2);
  EXPECT_EQ(w().Counts(), "3x3");
  EXPECT_EQ(w().Selected(), (Selection{5, 4, 3, 2}));
  w().ClickCell(2, 0);
  EXPECT_EQ(w().Counts(), "1x11");
  w().Menu(MenuId::MnuPOPBSelectAll);
  EXPECT_EQ(w().Selected(), (Selection{1, 1, 5, 11}));
  EXPECT_EQ(w().Counts(), "5x11");
}

// Every click counts, also the second of a quick pair.
TEST_F(WindowBehaviour, QuickClicksOnTheArrowsAndHomeAllCount) {
  w().ClickCell(3, 3);
  w().ClickQuickly(ControlId::cmd_HO, 2);
  EXPECT_EQ(w().Selected(), (Selection{0, 0, 0, 0}));
  w().ClickQuickly(ControlId::cmd_DN, 4);
  w().ClickQuickly(ControlId::cmd_RT, 2);
  EXPECT_EQ(w().Selected(), (Selection{4, 2, 4, 2}));
  w().ClickQuickly(ControlId::cmd_UP, 4);
  w().ClickQuickly(ControlId::cmd_LT, 4);
  EXPECT_EQ(w().Selected(), (Selection{1, 1, 1, 1}));
}

// The hint is the whole text of the cell under the pointer, and none where
// there is no body cell.
TEST_F(WindowBehaviour, HintIsTheWholeTextOfTheCellUnderThePointer) {
  SortByName();
  const struct {
    int row, col;
    std::string hint;
  } cells[] = {{2, 3, "S2"}, {0, 3, ""}, {4, 1, "b4.cnm"}, {4, 0, ""}, {3, 3, LongSubject()}};
  for (const auto& cell : cells) {
    w().MoveTo(cell.row, cell.col);
    EXPECT_EQ(w().Hint(), cell.hint) << cell.row << "," << cell.col;
  }
  EXPECT_GT(w().HintMaxWidth(), 0);  // a long one wraps rather than leaving the screen
  w().MoveTo(5, 1);
  w().MoveBelowTheRows();
  EXPECT_EQ(w().Hint(), "");
}

TEST_F(WindowBehaviour, DeleteActsWhenTheKeyComesUpEvenHeldDown) {
  SortByName();
  w().Drag(2, 1, 3, 2);
  w().HoldKey(kDeleteKey);
  EXPECT_TRUE(Exists("\\b2.cnm"));
  EXPECT_EQ(w().Rows(), 6);
  w().KeyUp(kDeleteKey);
  EXPECT_FALSE(Exists("\\b2.cnm"));
  EXPECT_FALSE(Exists("\\b3.cnm"));
  EXPECT_TRUE(Exists("\\b4.cnm"));
  EXPECT_EQ(w().Column(1), (Names{"b1.cnm", "b4.cnm", "b5.cnm"}));
}

TEST_F(WindowBehaviour, FlagMarksTheSelectedRowsAndUnFlagClearsThem) {
  SortByName();
  w().Drag(2, 1, 3, 1);
  w().Click(ControlId::cmd_FLAG);
  EXPECT_TRUE(w().Flagged(2));
  EXPECT_TRUE(w().Flagged(3));
  EXPECT_FALSE(w().Flagged(4));
  EXPECT_EQ(w().Counts(), "2x1");
  w().ClickCell(3, 1);
  w().Click(ControlId::cmd_UNFLAG);
  EXPECT_TRUE(w().Flagged(2));
  EXPECT_FALSE(w().Flagged(3));
}

// What the operator types into the extra folder's box counts, whatever the
// pointer does before the box is left.
TEST_F(WindowBehaviour, HoldReleaseErroreAndMove4IntoATypedExtraFolder) {
  SortByName();
  w().DoubleClick(ControlId::Frame3);
  ASSERT_TRUE(w().Visible(ControlId::txt_DIR));
  EXPECT_EQ(w().Text(ControlId::txt_DIR), "\\Local");
  w().Click(ControlId::txt_DIR);
  w().Type("\\Other");
  w().MoveTo(2, 2);
  w().MoveTo(3, 3);
  EXPECT_EQ(w().Text(ControlId::txt_DIR), "\\Other");
  w().ClickCell(3, 1);  // leaves the box
  EXPECT_FALSE(w().Visible(ControlId::txt_DIR));
  EXPECT_EQ(w().Text(ControlId::Option3, 4), "\\Other");
  w().Menu(MenuId::MnuPOPBMove4);
  EXPECT_TRUE(Exists("\\Other\\b3.cnm"));

  w().ClickCell(1, 1);
  w().Click(ControlId::cmd_HOLD);
  EXPECT_TRUE(Exists("\\Wait\\b1.cnm"));
  w().ClickCell(1, 1);
  w().Click(ControlId::cmd_ERRORE);
  EXPECT_TRUE(Exists("\\Errors\\b2.cnm"));
  EXPECT_EQ(w().Column(1), (Names{"b4.cnm", "b5.cnm"}));
  w().Click(ControlId::Option3, 2);
  ASSERT_EQ(w().Column(1), Names{"b1.cnm"});
  w().ClickCell(1, 1);
  w().Click(ControlId::cmd_RELEASE);
  EXPECT_TRUE(Exists("\\b1.cnm"));
  EXPECT_FALSE(Exists("\\Wait\\b1.cnm"));
}

// Leaving the box by a press on the grid lists the typed folder, long enough
// for the press's release to fall inside the scan; the pointer must not stay
// with the grid: the next click goes to GO, which reloads.
TEST_F(WindowBehaviour, AScanStartedByAPressEndsThePressAndItsCapture) {
  FillWait();
  w().Click(ControlId::Option3, 4);
  w().DoubleClick(ControlId::Frame3);
  w().Click(ControlId::txt_DIR);
  w().Type("\\Wait");
  w().ClickCell(1, 1);
  EXPECT_FALSE(w().PointerCaptured());
  testsupport::WriteBytes(kBounces + "\\Wait\\w.cnm", Message("W", 5));
  w().Click(ControlId::cmd_GO);
  EXPECT_EQ(w().Cell(0, 1), "Name: ");  // reloaded, not sorted
  EXPECT_EQ(w().Rows(), 3002);
}

// A cancelled dialog, or a file straight in the bounce folder, empties the
// box and gives it the keyboard back, so that leaving it applies the text.
TEST_F(WindowBehaviour, TheBoxHasTheFocusBackAfterTheFileDialog) {
  w().DoubleClick(ControlId::Frame3);
  for (const std::string& answer : {std::string(), kBounces + "\\b1.cnm"}) {
    SCOPED_TRACE(answer);
    w().Click(ControlId::txt_DIR);
    w().Type("\\Wait");
    w().AnswerFileDialog(answer);
    w().DoubleClick(ControlId::txt_DIR);
    EXPECT_TRUE(w().Visible(ControlId::txt_DIR));
    EXPECT_EQ(w().Text(ControlId::txt_DIR), "");
    EXPECT_TRUE(w().Focused(ControlId::txt_DIR));
  }
  w().ClickCell(1, 1);
  EXPECT_EQ(w().Text(ControlId::Option3, 4), "");
  // A file in a subfolder takes that folder at once.
  w().DoubleClick(ControlId::Frame3);
  w().AnswerFileDialog(kBounces + "\\Local\\l1.cnm");
  w().DoubleClick(ControlId::txt_DIR);
  EXPECT_FALSE(w().Visible(ControlId::txt_DIR));
  EXPECT_EQ(w().Text(ControlId::Option3, 4), "\\Local");
}

// A close asked while a long scan runs cuts the scan short; the window closes
// once the scan is over, and no file is touched.
TEST_F(WindowBehaviour, ClosingDuringAScanClosesOnceTheScanIsOver) {
  FillWait();
  const std::string wait = kBounces + "\\Wait";
  const Names before = testsupport::FileNames(wait);
  w().CloseDuringScan(ControlId::Option3, 2);
  EXPECT_TRUE(w().Closed());
  EXPECT_EQ(testsupport::FileNames(wait), before);
}

// Starting the program again hands over to the running copy: it comes back
// to the front, restored, and the second start ends at once.
TEST_F(WindowBehaviour, ASecondStartHandsOverToTheRunningCopy) {
  w().Minimise();
  EXPECT_EQ(w().StartAgain(), 0);
  EXPECT_TRUE(w().BackInFront());
}

}  // namespace ndr::behaviour

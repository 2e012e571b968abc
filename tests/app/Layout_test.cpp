// The layout tables both front ends read, and anchored placement: every
// combination of anchors, growing and shrinking.
#include "app/Layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorn {

void PrintTo(const LayoutRect& rect, std::ostream* out) {
  *out << '(' << rect.Left << ", " << rect.Top << ", " << rect.Width << ", " << rect.Height << ')';
}

namespace {

constexpr LayoutSize Design{635, 273};
constexpr LayoutRect Control{100, 50, 200, 40};
constexpr Anchors All = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom;

struct Case {
  Anchors anchors;
  LayoutSize client;
  LayoutRect expected;
};

TEST(LayoutTest, PlacesByAnchors) {
  const Case cases[] = {
      {AnchorLeft | AnchorTop, {735, 323}, Control},
      {AnchorRight | AnchorBottom, {735, 323}, {200, 100, 200, 40}},
      {All, {735, 323}, {100, 50, 300, 90}},
      {AnchorLeft | AnchorRight | AnchorBottom, {735, 323}, {100, 100, 300, 40}},
      {AnchorTop | AnchorRight, {600, 200}, {65, 50, 200, 40}},
      {0, {900, 900}, Control},
      {All, Design, Control},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Place(Control, c.anchors, Design, c.client), c.expected) << int(c.anchors);
  }
}

TEST(LayoutTest, AStretchedControlNeverGetsANegativeSize) {
  EXPECT_EQ(Place(Control, All, Design, {100, 100}), (LayoutRect{100, 50, 0, 0}));
}

// The main window's controls, where and how it lays them out, and where the
// anchors take them in a window 100 wider and 50 taller.
TEST(LayoutTest, MainWindowControls) {
  const WindowLayout& window = MainWindowLayout();
  EXPECT_EQ(window.Caption, "Setup VORN - TORVEL Zavario - Ver. 1.0 - Rel. 30/05/2023");
  EXPECT_EQ(window.DesignClient, (LayoutSize{635, 273}));
  EXPECT_FALSE(window.FixedSize);
  EXPECT_EQ(window.Background, LayoutColour::ButtonFace);
  EXPECT_EQ(window.Font.Face, "Tahoma");
  EXPECT_EQ(window.Font.Points, 8);
  EXPECT_FALSE(window.Font.Bold);

  struct Expected {
    const char* name;
    ControlKind kind;
    const char* caption;
    LayoutRect design;
    LayoutRect grown;
  };
  const Expected expected[] = {
      {"BtnAvanti", ControlKind::Button, "Installa/Aggiorna", {391, 224, 115, 25}, {491, 274, 115, 25}},
      {"Button3", ControlKind::Button, "Uscita", {512, 224, 115, 25}, {612, 274, 115, 25}},
      {"BtnDBE", ControlKind::Button, "Download ed Installa DBE", {8, 8, 174, 35}, {8, 8, 174, 35}},
      {"BtnZAV", ControlKind::Button, "Zavario", {8, 44, 174, 35}, {8, 44, 174, 35}},
      {"BtnAlias", ControlKind::Button, "Alias e sistemazione file", {8, 80, 174, 35}, {8, 80, 174, 35}},
      {"MemoSpace", ControlKind::LogPane, "", {192, 8, 435, 193}, {192, 8, 535, 243}},
      {"Barrazza", ControlKind::ProgressBar, "", {8, 207, 619, 14}, {108, 257, 619, 14}},
      {"BarrazzaTotale", ControlKind::ProgressBar, "", {8, 225, 377, 23}, {108, 275, 377, 23}},
      {"StatusBar1", ControlKind::StatusBar, "", {0, 254, 635, 19}, {0, 304, 735, 19}},
      {"Image1", ControlKind::Picture, "", {8, 121, 174, 80}, {8, 121, 174, 80}},
      {"AllineaVersione", ControlKind::Button, "AllineaVersione", {496, 18, 107, 25}, {496, 18, 107, 25}},
  };
  ASSERT_EQ(window.Controls.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const ControlLayout& control = window.Controls[i];
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(control.Name, expected[i].name);  // in tab order
    EXPECT_EQ(control.Kind, expected[i].kind);
    EXPECT_EQ(control.Caption, expected[i].caption);
    EXPECT_EQ(control.Design, expected[i].design);
    EXPECT_EQ(Place(control.Design, control.Anchor, window.DesignClient, {735, 323}), expected[i].grown);
    EXPECT_FALSE(control.Default);
  }

  // The hidden button; the bars, the status bar and the picture take no focus.
  EXPECT_FALSE(ControlNamed(window, "AllineaVersione").Visible);
  EXPECT_TRUE(ControlNamed(window, "AllineaVersione").TakesFocus);
  std::vector<std::string> focusable;
  for (const ControlLayout& control : window.Controls) {
    if (control.TakesFocus) focusable.emplace_back(control.Name);
  }
  EXPECT_EQ(focusable, (std::vector<std::string>{"BtnAvanti", "Button3", "BtnDBE", "BtnZAV", "BtnAlias", "MemoSpace",
                                                 "AllineaVersione"}));

  // The log: bold, red on the tooltip colour.
  const ControlLayout& log = ControlNamed(window, "MemoSpace");
  EXPECT_TRUE(log.Bold);
  EXPECT_EQ(log.Text, LayoutColour::Red);
  EXPECT_EQ(log.Background, LayoutColour::InfoBackground);
  EXPECT_EQ(StatusPanelWidth, 300);
}

TEST(LayoutTest, PasswordDialogControls) {
  const WindowLayout& dialog = PasswordDialogLayout();
  EXPECT_EQ(dialog.Caption, "Password Dialog");
  EXPECT_EQ(dialog.DesignClient, (LayoutSize{243, 98}));
  EXPECT_TRUE(dialog.FixedSize);
  ASSERT_EQ(dialog.Controls.size(), 4u);
  EXPECT_EQ(ControlNamed(dialog, "Label1").Kind, ControlKind::Label);
  EXPECT_EQ(ControlNamed(dialog, "Label1").Caption, "Digitare password:");
  EXPECT_EQ(ControlNamed(dialog, "Label1").Design, (LayoutRect{8, 9, 90, 13}));
  EXPECT_FALSE(ControlNamed(dialog, "Label1").TakesFocus);
  EXPECT_EQ(ControlNamed(dialog, "Password").Kind, ControlKind::PasswordEdit);
  EXPECT_EQ(ControlNamed(dialog, "Password").Design, (LayoutRect{8, 27, 217, 21}));
  EXPECT_EQ(ControlNamed(dialog, "OKBtn").Caption, "OK");
  EXPECT_EQ(ControlNamed(dialog, "OKBtn").Design, (LayoutRect{70, 59, 75, 25}));
  EXPECT_TRUE(ControlNamed(dialog, "OKBtn").Default);
  EXPECT_EQ(ControlNamed(dialog, "CancelBtn").Caption, "Annulla");
  EXPECT_EQ(ControlNamed(dialog, "CancelBtn").Design, (LayoutRect{150, 59, 75, 25}));
  EXPECT_FALSE(ControlNamed(dialog, "CancelBtn").Default);
  // Tab order: the field, OK, Annulla.
  EXPECT_EQ(dialog.Controls[1].Name, "Password");
  EXPECT_EQ(dialog.Controls[2].Name, "OKBtn");
  EXPECT_EQ(dialog.Controls[3].Name, "CancelBtn");
  EXPECT_THROW(ControlNamed(dialog, "BtnAvanti"), std::out_of_range);
}

}  // namespace
}  // namespace vorn

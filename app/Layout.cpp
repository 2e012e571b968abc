// The layout tables of the main window and the access dialog.
#include "app/Layout.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vorn {

namespace {

constexpr Anchors LeftTop = AnchorLeft | AnchorTop;
constexpr Anchors RightBottom = AnchorRight | AnchorBottom;

// In tab order. The bars, the status bar and the picture come between the
// log and the hidden button but take no focus.
constexpr ControlLayout MainControls[] = {
    {ControlKind::Button, "BtnAvanti", "Installa/Aggiorna", {391, 224, 115, 25}, RightBottom},
    {ControlKind::Button, "Button3", "Uscita", {512, 224, 115, 25}, RightBottom},
    {ControlKind::Button, "BtnDBE", "Download ed Installa DBE", {8, 8, 174, 35}, LeftTop},
    {ControlKind::Button, "BtnZAV", "Zavario", {8, 44, 174, 35}, LeftTop},
    {ControlKind::Button, "BtnAlias", "Alias e sistemazione file", {8, 80, 174, 35}, LeftTop},
    {.Kind = ControlKind::LogPane,
     .Name = "MemoSpace",
     .Caption = "",
     .Design = {192, 8, 435, 193},
     .Anchor = AnchorLeft | AnchorTop | AnchorRight | AnchorBottom,
     .Bold = true,
     .Text = LayoutColour::Red,
     .Background = LayoutColour::InfoBackground},
    {.Kind = ControlKind::ProgressBar,
     .Name = "Barrazza",
     .Caption = "",
     .Design = {8, 207, 619, 14},
     .Anchor = RightBottom,
     .TakesFocus = false},
    {.Kind = ControlKind::ProgressBar,
     .Name = "BarrazzaTotale",
     .Caption = "",
     .Design = {8, 225, 377, 23},
     .Anchor = RightBottom,
     .TakesFocus = false},
    {.Kind = ControlKind::StatusBar,
     .Name = "StatusBar1",
     .Caption = "",
     .Design = {0, 254, 635, 19},
     .Anchor = AnchorLeft | AnchorRight | AnchorBottom,
     .TakesFocus = false},
    {.Kind = ControlKind::Picture, .Name = "Image1", .Caption = "", .Design = {8, 121, 174, 80}, .Anchor = LeftTop,
     .TakesFocus = false},
    {.Kind = ControlKind::Button,
     .Name = "AllineaVersione",
     .Caption = "AllineaVersione",
     .Design = {496, 18, 107, 25},
     .Anchor = LeftTop,
     .Visible = false},
};

constexpr ControlLayout PasswordControls[] = {
    {.Kind = ControlKind::Label, .Name = "Label1", .Caption = "Digitare password:", .Design = {8, 9, 90, 13},
     .Anchor = LeftTop, .TakesFocus = false},
    {ControlKind::PasswordEdit, "Password", "", {8, 27, 217, 21}, LeftTop},
    {.Kind = ControlKind::Button, .Name = "OKBtn", .Caption = "OK", .Design = {70, 59, 75, 25}, .Anchor = LeftTop,
     .Default = true},
    {ControlKind::Button, "CancelBtn", "Annulla", {150, 59, 75, 25}, LeftTop},
};

// One axis: the start and length of a control for a window grown by delta.
void PlaceAxis(int& start, int& length, int delta, bool nearAnchor, bool farAnchor) {
  if (nearAnchor && farAnchor) {
    length = std::max(0, length + delta);
  } else if (farAnchor) {
    start += delta;
  }
}

}  // namespace

const WindowLayout& MainWindowLayout() {
  static const WindowLayout layout{"Setup VORN - TORVEL Zavario - Ver. 1.0 - Rel. 30/05/2023",
                                   {635, 273},
                                   false,
                                   LayoutColour::ButtonFace,
                                   LayoutFont{},
                                   MainControls};
  return layout;
}

const WindowLayout& PasswordDialogLayout() {
  static const WindowLayout layout{"Password Dialog", {243, 98}, true, LayoutColour::Default, LayoutFont{},
                                   PasswordControls};
  return layout;
}

const ControlLayout& ControlNamed(const WindowLayout& window, std::string_view name) {
  for (const ControlLayout& control : window.Controls) {
    if (control.Name == name) return control;
  }
  throw std::out_of_range("No control named " + std::string(name) + " in " + std::string(window.Caption));
}

LayoutRect Place(const LayoutRect& designRect, Anchors anchors, LayoutSize designClient, LayoutSize client) {
  LayoutRect placed = designRect;
  PlaceAxis(placed.Left, placed.Width, client.Width - designClient.Width, anchors & AnchorLeft,
            anchors & AnchorRight);
  PlaceAxis(placed.Top, placed.Height, client.Height - designClient.Height, anchors & AnchorTop,
            anchors & AnchorBottom);
  return placed;
}

}  // namespace vorn

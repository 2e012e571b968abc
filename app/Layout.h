// The layout of the program's windows, one description that every front end
// reads: the client size each window was designed for, and for every control
// its kind, name, caption, design rectangle, anchors, font and colours, in
// tab order. A side anchored to the window keeps its distance to that side
// when the window is resized.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vorn {

struct LayoutRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

struct LayoutSize {
  int Width = 0, Height = 0;
  friend bool operator==(const LayoutSize&, const LayoutSize&) = default;
};

// Anchors, a bit each.
enum AnchorBits : uint8_t { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };
using Anchors = uint8_t;

enum class ControlKind {
  Button,         // a push button
  LogPane,        // read-only multi-line text, vertical scroll bar always shown, wraps at its width
  ProgressBar,    // no text
  StatusBar,      // panels of StatusPanelWidth, edge to edge from the left, no size grip
  Picture,        // the product's logo, centred
  Label,          // static text
  PasswordEdit,   // one line, typed characters shown as "*"
};

// The colours a layout names: the desktop's own where it has one, so that
// the window follows the user's colour scheme.
enum class LayoutColour {
  Default,         // whatever the control has by default
  ButtonFace,      // the desktop's button face (the window's background)
  InfoBackground,  // the desktop's tooltip background
  Red,             // pure red, #FF0000
};

struct LayoutFont {
  std::string_view Face = "Tahoma";
  int Points = 8;  // 11 pixels at 96 dots per inch
  bool Bold = false;
};

struct ControlLayout {
  ControlKind Kind;
  std::string_view Name;     // the control's name in the window
  std::string_view Caption;  // UTF-8; empty for controls without one
  LayoutRect Design;         // in the design client area
  Anchors Anchor;
  bool Visible = true;
  bool TakesFocus = true;    // in the tab order
  bool Default = false;      // the dialog's default button (Enter)
  bool Bold = false;         // the window font in bold
  LayoutColour Text = LayoutColour::Default;
  LayoutColour Background = LayoutColour::Default;
};

struct WindowLayout {
  std::string_view Caption;
  LayoutSize DesignClient;
  bool FixedSize;                        // the dialog cannot be resized
  LayoutColour Background;
  LayoutFont Font;
  std::span<const ControlLayout> Controls;  // in tab order
};

// The width of each of the status bar's two panels.
constexpr int StatusPanelWidth = 300;

// The main window ("Setup VORN - ...") and the access dialog ("Password Dialog").
const WindowLayout& MainWindowLayout();
const WindowLayout& PasswordDialogLayout();

// The control of that name; raises std::out_of_range when there is none.
const ControlLayout& ControlNamed(const WindowLayout& window, std::string_view name);

// Where a control designed at designRect goes in a client area of the given
// size: anchored at both ends of an axis it stretches (never below zero),
// anchored only at the far end it moves, otherwise it stays.
LayoutRect Place(const LayoutRect& designRect, Anchors anchors, LayoutSize designClient, LayoutSize client);

}  // namespace vorn

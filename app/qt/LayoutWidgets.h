// Builds a Qt window from its layout table (app/Layout.h): a widget for
// every control, at its design rectangle, with its caption, font, colours,
// visibility and tab order; and keeps the controls where their anchors say
// when the window is resized.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <string_view>
#include <vector>

#include "app/Layout.h"

class QLabel;

namespace vorn {

QRect ToQRect(const LayoutRect& rect);

class LaidOutWindow {
 public:
  LaidOutWindow(const WindowLayout& layout) : layout_(&layout) {}

  // The widget of the control of that name, of the type its kind makes
  // (Button: QPushButton, LogPane: QPlainTextEdit, ProgressBar: ProgressBar,
  // StatusBar: QStatusBar, Picture and Label: QLabel, PasswordEdit: QLineEdit).
  template <typename Widget>
  Widget* As(std::string_view name) const {
    return static_cast<Widget*>(Find(name));
  }
  QWidget* Find(std::string_view name) const;

  // The status bar's panels, left to right.
  const std::vector<QLabel*>& StatusPanels() const { return statusPanels_; }

  // Moves and sizes every control for a client area of the given size.
  void Apply(QSize client) const;

 private:
  friend LaidOutWindow BuildWindow(QWidget* window, const WindowLayout& layout);
  struct Item {
    QWidget* widget;
    const ControlLayout* control;
  };
  const WindowLayout* layout_;
  std::vector<Item> items_;
  std::vector<QLabel*> statusPanels_;
};

// Gives the window its caption, font, background and size, and makes its
// controls as children.
LaidOutWindow BuildWindow(QWidget* window, const WindowLayout& layout);

}  // namespace vorn

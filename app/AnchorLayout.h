// Keeps child widgets where their anchors say when their window is resized:
// a side anchored to the window keeps its distance to that side of the
// window, so a widget anchored left and right grows with the window, one
// anchored only right follows the right edge at its own width.
#pragma once

#include <QFlags>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

namespace vorn {

enum class Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
Q_DECLARE_FLAGS(Anchors, Anchor)
Q_DECLARE_OPERATORS_FOR_FLAGS(Anchors)

class AnchorLayout {
 public:
  // designClient is the window's client size for which the rectangles are given.
  explicit AnchorLayout(QSize designClient) : design_(designClient) {}

  // Places the widget at its design rectangle and remembers its anchors.
  void Add(QWidget* widget, QRect designRect, Anchors anchors);

  // Moves and sizes every widget for a client area of the given size.
  void Apply(QSize client) const;

  // Where a design rectangle goes for a client area of the given size.
  QRect Place(QRect designRect, Anchors anchors, QSize client) const;

 private:
  struct Item {
    QWidget* widget;
    QRect rect;
    Anchors anchors;
  };
  QSize design_;
  std::vector<Item> items_;
};

}  // namespace vorn

// Anchored placement of child widgets.
#include "app/AnchorLayout.h"

#include <algorithm>

namespace vorn {

namespace {

// One axis: the start and length of a control for a window grown by delta.
// Anchored at both ends it stretches (never below zero); anchored only at the
// far end it moves; otherwise it stays where it is.
void PlaceAxis(int& start, int& length, int delta, bool nearAnchor, bool farAnchor) {
  if (nearAnchor && farAnchor) {
    length = std::max(0, length + delta);
  } else if (farAnchor) {
    start += delta;
  }
}

}  // namespace

void AnchorLayout::Add(QWidget* widget, QRect designRect, Anchors anchors) {
  widget->setGeometry(designRect);
  items_.push_back({widget, designRect, anchors});
}

QRect AnchorLayout::Place(QRect designRect, Anchors anchors, QSize client) const {
  int left = designRect.left(), width = designRect.width();
  int top = designRect.top(), height = designRect.height();
  PlaceAxis(left, width, client.width() - design_.width(), anchors.testFlag(Anchor::Left),
            anchors.testFlag(Anchor::Right));
  PlaceAxis(top, height, client.height() - design_.height(), anchors.testFlag(Anchor::Top),
            anchors.testFlag(Anchor::Bottom));
  return QRect(left, top, width, height);
}

void AnchorLayout::Apply(QSize client) const {
  for (const Item& item : items_) item.widget->setGeometry(Place(item.rect, item.anchors, client));
}

}  // namespace vorn

// Anchored placement: every combination of anchors, growing and shrinking.
#include "app/AnchorLayout.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

const QSize Design(635, 273);
const QRect Control(100, 50, 200, 40);

struct Case {
  Anchors anchors;
  QSize client;
  QRect expected;
};

TEST(AnchorLayoutTest, PlacesByAnchors) {
  const AnchorLayout layout(Design);
  const Case cases[] = {
      {Anchor::Left | Anchor::Top, QSize(735, 323), Control},
      {Anchor::Right | Anchor::Bottom, QSize(735, 323), QRect(200, 100, 200, 40)},
      {Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom, QSize(735, 323), QRect(100, 50, 300, 90)},
      {Anchor::Left | Anchor::Right | Anchor::Bottom, QSize(735, 323), QRect(100, 100, 300, 40)},
      {Anchor::Top | Anchor::Right, QSize(600, 200), QRect(65, 50, 200, 40)},
      {Anchors(), QSize(900, 900), Control},
      {Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom, Design, Control},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(layout.Place(Control, c.anchors, c.client), c.expected) << c.anchors.toInt();
  }
}

TEST(AnchorLayoutTest, AStretchedControlNeverGetsANegativeSize) {
  const AnchorLayout layout(Design);
  const QRect placed =
      layout.Place(Control, Anchor::Left | Anchor::Top | Anchor::Right | Anchor::Bottom, QSize(100, 100));
  EXPECT_EQ(placed.topLeft(), Control.topLeft());
  EXPECT_EQ(placed.size(), QSize(0, 0));
}

}  // namespace
}  // namespace vorn

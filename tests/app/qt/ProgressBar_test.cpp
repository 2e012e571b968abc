// The main window's progress bars: the range they accept, positions outside
// it, stepping and the busy mode.
#include "app/qt/ProgressBar.h"

#include <gtest/gtest.h>

#include "tests/app/qt/QtTestSupport.h"

namespace vorn {
namespace {

class ProgressBarTest : public test::QtTest {
 protected:
  ProgressBar bar;
};

TEST_F(ProgressBarTest, StartsAtZeroOfAHundred) {
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_FALSE(bar.Busy());
  EXPECT_FALSE(bar.isTextVisible());
}

TEST_F(ProgressBarTest, AMaximumBelowZeroIsRefusedAndChangesNothing) {
  bar.SetMax(9);
  bar.SetPosition(4);
  EXPECT_THROW(bar.SetMax(-1), EInvalidOperation);
  EXPECT_EQ(bar.Max(), 9);
  EXPECT_EQ(bar.Position(), 4);
  EXPECT_EQ(bar.value(), 4);
}

TEST_F(ProgressBarTest, PositionsOutsideTheRangeAreKeptAndShownAtTheNearestEnd) {
  bar.SetMax(9);
  bar.SetPosition(12);
  EXPECT_EQ(bar.Position(), 12);
  EXPECT_EQ(bar.value(), 9);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), -5);
  EXPECT_EQ(bar.value(), 0);
  // A smaller maximum later shows the kept position at its new end.
  bar.SetPosition(50);
  bar.SetMax(20);
  EXPECT_EQ(bar.value(), 20);
}

TEST_F(ProgressBarTest, StepItAddsOneAndMayPassTheMaximum) {
  bar.SetMax(9);
  for (int i = 0; i < 10; ++i) bar.StepIt();
  EXPECT_EQ(bar.Position(), 10);
  EXPECT_EQ(bar.value(), 9);
  bar.SetPosition(std::numeric_limits<int32_t>::max());
  bar.StepIt();  // no overflow
  EXPECT_EQ(bar.Position(), std::numeric_limits<int32_t>::max());
}

TEST_F(ProgressBarTest, AMaximumOfZeroIsAnEmptyBarNotABusyOne) {
  bar.SetMax(0);
  bar.SetPosition(3);
  EXPECT_FALSE(bar.Busy());
  EXPECT_EQ(bar.Max(), 0);
  EXPECT_NE(bar.maximum(), bar.minimum());  // Qt would animate an empty range
  EXPECT_EQ(bar.value(), 0);
}

TEST_F(ProgressBarTest, BusyUntilTheNextMaximum) {
  bar.SetBusy();
  EXPECT_TRUE(bar.Busy());
  EXPECT_EQ(bar.maximum(), 0);
  bar.SetPosition(70000);
  EXPECT_EQ(bar.Position(), 70000);
  EXPECT_TRUE(bar.Busy());
  bar.SetMax(100000);
  EXPECT_FALSE(bar.Busy());
  EXPECT_EQ(bar.value(), 70000);
}

}  // namespace
}  // namespace vorn

// The progress object's updates and the gauge's reporting modes.
#include "zip/ZipProgress.h"

#include <gtest/gtest.h>

#include <vector>

#include "zip/ZipCommand.h"

namespace vorn {
namespace {

struct Event {
  TZUProgressType Order;
  int64_t ItemSize, ItemPosition, TotalPosition, Delta;
  int32_t ItemNumber;
  std::string ItemName;
};

class Recorder {
 public:
  explicit Recorder(TZUProgress& progress) {
    progress.SetChangeHook([this](TZUProgress& p) {
      Events.push_back({p.Order(), p.ItemSize(), p.ItemPosition(), p.TotalPosition(), p.Delta(), p.ItemNumber(),
                        p.ItemName()});
    });
  }
  std::vector<TZUProgressType> Orders() const {
    std::vector<TZUProgressType> orders;
    for (const Event& e : Events) orders.push_back(e.Order);
    return orders;
  }
  std::vector<Event> Events;
};

TEST(ZipProgress, UpdatesSetTheirValuesAndSendOneEvent) {
  TZUProgress progress;
  Recorder recorder(progress);
  progress.SetTotalCount(3);
  progress.SetTotalSize(1000);
  EXPECT_TRUE(progress.InBatch());
  progress.NewItem("a.txt", 600);
  progress.Advance(100);
  progress.Advance(500);
  progress.MoreWritten(700);
  progress.EndItem();
  progress.NewItem("b.txt", 400);
  EXPECT_EQ(progress.ItemNumber(), 2);
  EXPECT_EQ(progress.ItemPosition(), 0);
  EXPECT_EQ(progress.TotalPosition(), 600);
  EXPECT_EQ(progress.BytesWritten(), 700);
  progress.SetStop(true);
  progress.EndBatch();
  EXPECT_FALSE(progress.InBatch());
  EXPECT_FALSE(progress.Stop());
  EXPECT_EQ(progress.ItemName(), "");
  EXPECT_EQ(progress.ItemSize(), 0);

  const std::vector<TZUProgressType> expected = {TotalFiles2Process, TotalSize2Process, NewFile, ProgressUpdate,
                                                 ProgressUpdate,     EndOfItem,         NewFile, EndOfBatch};
  EXPECT_EQ(recorder.Orders(), expected);
  EXPECT_EQ(recorder.Events[4].ItemPosition, 600);
  EXPECT_EQ(recorder.Events[4].Delta, 500);
}

TEST(ZipProgress, SettingTheCountClearsEverything) {
  TZUProgress progress;
  progress.SetTotalSize(50);
  progress.NewItem("x", 10);
  progress.Advance(5);
  progress.Written(9);
  progress.SetStop(true);
  progress.SetTotalCount(7);
  EXPECT_EQ(progress.TotalCount(), 7);
  EXPECT_EQ(progress.ItemNumber(), 0);
  EXPECT_EQ(progress.ItemName(), "");
  EXPECT_EQ(progress.ItemPosition(), 0);
  EXPECT_EQ(progress.TotalPosition(), 0);
  EXPECT_EQ(progress.TotalSize(), 0);
  EXPECT_EQ(progress.BytesWritten(), 0);
  EXPECT_EQ(progress.Delta(), 0);
  EXPECT_FALSE(progress.Stop());
}

TEST(ZipProgress, NegativeItemSizeEndsTheItem) {
  TZUProgress progress;
  Recorder recorder(progress);
  progress.NewItem("x", -1);
  EXPECT_EQ(recorder.Orders(), std::vector<TZUProgressType>{EndOfItem});
  EXPECT_EQ(progress.ItemNumber(), 0);
}

TEST(ZipProgress, ExtraItemsDoNotMoveTheTotal) {
  TZUProgress progress;
  Recorder recorder(progress);
  progress.NewXtraItem("*Processing", 12);
  progress.AdvanceXtra(1);
  EXPECT_EQ(progress.ItemPosition(), 1);
  EXPECT_EQ(progress.TotalPosition(), 0);
  EXPECT_EQ(progress.ItemNumber(), 0);
  EXPECT_EQ(recorder.Orders(), (std::vector<TZUProgressType>{NewExtra, ExtraUpdate}));
}

TEST(ZipProgress, PercentagesUse64BitArithmetic) {
  TZUProgress progress;
  EXPECT_EQ(progress.ItemPerCent(), 0);
  progress.NewItem("big", int64_t{6} << 32);
  EXPECT_EQ(progress.ItemPerCent(), 0);
  progress.Advance(int64_t{3} << 32);
  EXPECT_EQ(progress.ItemPerCent(), 50);
  progress.NewItem("empty", 0);
  progress.Advance(10);
  EXPECT_EQ(progress.ItemPerCent(), 0);  // size 0
  progress.SetTotalSize(int64_t{10} << 32);
  progress.NewItem("x", 1);
  progress.Advance(int64_t{1} << 32);
  EXPECT_EQ(progress.TotalPerCent(), 10);
  // Positions near the largest size: no overflow in the product or the sum.
  progress.SetTotalSize(INT64_MAX);
  progress.NewItem("huge", INT64_MAX);
  progress.Advance(INT64_MAX / 2);
  EXPECT_EQ(progress.ItemPerCent(), 49);
  EXPECT_EQ(progress.TotalPerCent(), 49);
  progress.Advance(INT64_MAX);
  EXPECT_EQ(progress.ItemPosition(), INT64_MAX);
  EXPECT_EQ(progress.TotalPosition(), INT64_MAX);
  EXPECT_EQ(progress.TotalPerCent(), 100);
  progress.MoreWritten(INT64_MAX);
  progress.MoreWritten(INT64_MAX);
  EXPECT_EQ(progress.BytesWritten(), INT64_MAX);
  progress.NewItem("small", 1);
  progress.Advance(int64_t{1} << 40);
  EXPECT_EQ(progress.ItemPerCent(), INT32_MAX);  // far past the item's size
}

class GaugeTest : public ::testing::Test {
 protected:
  GaugeTest() : body(nullptr, events) {
    events.OnProgress = [this](void*, TZUProgressDetails& d) { orders.push_back(d.Order()); };
    events.OnTick = [this](void*) { ++ticks; };
  }
  void RunAll() {
    body.GaugeSetCount(2);
    body.GaugeSetSize(100);
    body.GaugeNewItem("a", 10);
    body.GaugeAdvance(10);
    body.GaugeAdvanceXtra(1);
    body.GaugeNewXtraItem(ZxProcessing, 5);
    body.GaugeMoreWritten(10);
    body.GaugeEndItem();
    body.GaugeEndBatch();
  }
  TZUEvents events;
  TZUCommand body;
  std::vector<TZUProgressType> orders;
  int ticks = 0;
};

TEST_F(GaugeTest, NoneModeOnlyKeepsAlive) {
  body.SetShowProgress(ZspNone);
  RunAll();
  EXPECT_TRUE(orders.empty());
  EXPECT_EQ(ticks, 7);  // all calls but the count and the bytes written
  EXPECT_EQ(body.Progress().BytesWritten(), 0);
}

TEST_F(GaugeTest, FullModeReportsEverything) {
  body.SetShowProgress(ZspFull);
  RunAll();
  const std::vector<TZUProgressType> expected = {TotalFiles2Process, TotalSize2Process, NewFile,   ProgressUpdate,
                                                 ExtraUpdate,        NewExtra,          EndOfItem, EndOfBatch};
  EXPECT_EQ(orders, expected);
  EXPECT_EQ(ticks, 8);  // the dispatcher keeps the window alive after each event
  EXPECT_EQ(body.Progress().BytesWritten(), 10);
}

TEST_F(GaugeTest, ExtraModeTurnsItemsIntoExtraEvents) {
  body.SetShowProgress(ZspExtra);
  RunAll();
  EXPECT_EQ(orders, (std::vector<TZUProgressType>{NewExtra, ExtraUpdate}));
}

TEST_F(GaugeTest, ExtraItemIsLabelledByItsKind) {
  body.SetShowProgress(ZspFull);
  std::string label;
  events.OnProgress = [&](void*, TZUProgressDetails& d) { label = d.ItemName(); };
  body.GaugeNewXtraItem(ZxProcessing, 11);
  EXPECT_EQ(label, "*Processing");
}

TEST_F(GaugeTest, TotalSizeToProcessFollowsTheEventAfterTheHandler) {
  body.SetShowProgress(ZspFull);
  int64_t seenInside = -1;
  events.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == TotalSize2Process) seenInside = body.TotalSizeToProcess();
  };
  body.GaugeSetSize(12345);
  EXPECT_EQ(seenInside, 0);
  EXPECT_EQ(body.TotalSizeToProcess(), 12345);
}

}  // namespace
}  // namespace vorn

// The timed batch on its own: what each tick sends, the progress it reports
// and how it stops, with a host that records instead of drawing.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/batch.h"
#include "link/link.h"

namespace klvc {
namespace {

class RecordingHost : public BatchHost {
 public:
  BatchShape shape{4, 1};
  std::vector<std::pair<int, int>> sent;
  bool timer = false;
  int timer_starts = 0;
  int range = -1;
  int pos = -1;
  std::vector<bool> running_changes;

  BatchShape batch_shape() const override { return shape; }
  void send_batch_row(int row, int inner) override { sent.emplace_back(row, inner); }
  void start_batch_timer() override { timer = true; ++timer_starts; }
  void stop_batch_timer() override { timer = false; }
  void set_batch_progress(int r, int p) override { range = r; pos = p; }
  void batch_running_changed(bool running) override { running_changes.push_back(running); }
};

class BatchTest : public testing::Test {
 protected:
  void run_ticks(int n) {
    for (int i = 0; i < n; ++i) batch.tick();
  }
  Link link;
  RecordingHost host;
  Batch batch{host, link};
};

TEST_F(BatchTest, SendsEveryRowInOrderAndEndsAtZero) {
  ASSERT_TRUE(batch.start());
  EXPECT_EQ(link.status().batch_step, 1);
  EXPECT_TRUE(host.timer);
  EXPECT_TRUE(host.sent.empty());  // the first command waits for the first tick

  run_ticks(3);
  EXPECT_EQ(host.range, 4);
  EXPECT_EQ(host.pos, 3);
  EXPECT_EQ(link.status().batch_step, 4);

  batch.tick();
  EXPECT_EQ(host.sent, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  EXPECT_EQ(link.status().batch_step, 0);
  EXPECT_EQ(host.pos, 0);
  EXPECT_FALSE(host.timer);
  EXPECT_FALSE(batch.running());
  EXPECT_EQ(host.running_changes, (std::vector<bool>{true, false}));

  run_ticks(2);  // a late tick of a stopped timer
  EXPECT_EQ(host.sent.size(), 4u);
}

TEST_F(BatchTest, SetWhileRunningStartsNothing) {
  ASSERT_TRUE(batch.start());
  batch.tick();
  EXPECT_FALSE(batch.start());
  EXPECT_EQ(host.timer_starts, 1);
  EXPECT_EQ(link.status().batch_step, 2);

  Batch other{host, link};  // another dialog's or the send-all run's Set
  EXPECT_FALSE(other.start());
}

TEST_F(BatchTest, TwoLevelsCountOuterRowsOnly) {
  host.shape = {2, 3};
  ASSERT_TRUE(batch.start());
  run_ticks(2);
  EXPECT_EQ(host.pos, 0);
  batch.tick();
  EXPECT_EQ(host.pos, 1);
  EXPECT_EQ(link.status().batch_step, 2);
  run_ticks(3);
  EXPECT_EQ(host.sent, (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}));
  EXPECT_EQ(link.status().batch_step, 0);
  EXPECT_EQ(host.range, 2);
}

TEST_F(BatchTest, AbandonEndsTheBatchCleanly) {
  ASSERT_TRUE(batch.start());
  batch.tick();
  link.status().error_seen = 1;  // an answer that came in just before the close
  batch.abandon();
  EXPECT_EQ(link.status().batch_step, 0);
  EXPECT_EQ(link.status().error_seen, 0);
  EXPECT_FALSE(host.timer);
  run_ticks(3);
  EXPECT_EQ(host.sent.size(), 1u);

  link.status().batch_step = 5;  // someone else's run: not ours to end
  Batch idle{host, link};
  idle.abandon();
  EXPECT_EQ(link.status().batch_step, 5);
}

TEST_F(BatchTest, TicksWaitWhileItsBoxIsOpen) {
  ASSERT_TRUE(batch.start());
  batch.tick();
  auto close_box = batch.hold_while_box_open();
  run_ticks(5);
  EXPECT_EQ(host.sent.size(), 1u);
  EXPECT_EQ(link.status().batch_step, 2);
  close_box(BoxResult::Ok);
  batch.tick();
  EXPECT_EQ(host.sent.size(), 2u);
  EXPECT_EQ(host.sent.back(), std::make_pair(1, 0));
}

TEST(BatchBox, ABoxClosedAfterItsDialogIsGoneReleasesNothingElse) {
  Link link;
  RecordingHost host;
  std::optional<Batch> batch(std::in_place, host, link);
  std::function<void(BoxResult)> stale = batch->hold_while_box_open();
  batch.emplace(host, link);  // the dialog opened again, in the same place
  std::function<void(BoxResult)> current = batch->hold_while_box_open();
  stale(BoxResult::Ok);
  EXPECT_TRUE(batch->held());  // only its own box lets the new batch go on
  current(BoxResult::Ok);
  EXPECT_FALSE(batch->held());
}

}  // namespace
}  // namespace klvc

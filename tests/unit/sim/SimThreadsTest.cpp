#include "platform/sim/SimThreads.h"

#include <gtest/gtest.h>

namespace tolma::sim {
namespace {

TEST(SimThreadsTest, EachReadingAndEachSleepMovesTheClockAndItWraps) {
  SimThreads threads;
  threads.SetTick(0xFFFFFFFE);
  EXPECT_EQ(threads.TickCount(), 0xFFFFFFFEu);
  EXPECT_EQ(threads.TickCount(), 0xFFFFFFFFu);
  EXPECT_EQ(threads.TickCount(), 0u);
  threads.SleepMilliseconds(5);
  threads.SetTickStep(0);
  EXPECT_EQ(threads.TickCount(), 6u);
  EXPECT_EQ(threads.TickCount(), 6u);
  EXPECT_EQ(threads.Sleeps(), (std::vector<uint32_t>{5}));
  EXPECT_EQ(threads.TickReadings(), 5);
}

TEST(SimThreadsTest, WorkerRunsItsBodyAtThePollThatFindsItEnded) {
  SimThreads threads;
  threads.SetPollsBeforeEnd(2);
  bool ran = false;
  bool ranOnWorker = false;
  auto worker = threads.CreateSuspendedWorker([&] {
    ran = true;
    ranOnWorker = threads.InWorker();
  });
  EXPECT_EQ(worker->PollEnded(), platform::kWaitTimeout);  // suspended: never ends by itself
  worker->Resume();
  EXPECT_EQ(worker->PollEnded(), platform::kWaitTimeout);
  EXPECT_EQ(worker->PollEnded(), platform::kWaitTimeout);
  EXPECT_FALSE(ran);
  EXPECT_EQ(worker->PollEnded(), platform::kWaitObject0);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(ranOnWorker);
  EXPECT_FALSE(threads.InWorker());
  EXPECT_EQ(worker->PollEnded(), platform::kWaitObject0);
  EXPECT_EQ(threads.Workers()[0].Polls, 5);
}

TEST(SimThreadsTest, PlannedWorkersEndAtResumeOrWhenDestroyed) {
  SimThreads threads;
  threads.PlanWorkers({0, 7});
  int runs = 0;
  {
    auto quick = threads.CreateSuspendedWorker([&] { ++runs; });
    quick->Resume();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(quick->PollEnded(), platform::kWaitObject0);
    auto slow = threads.CreateSuspendedWorker([&] { ++runs; });
    slow->Resume();
    EXPECT_EQ(slow->PollEnded(), platform::kWaitTimeout);
    auto never = threads.CreateSuspendedWorker([&] { ++runs; });  // never resumed
    EXPECT_EQ(threads.LiveWorkers(), 3);
  }
  EXPECT_EQ(runs, 2);  // the destructor waited for the slow one
  EXPECT_EQ(threads.LiveWorkers(), 0);
  EXPECT_EQ(threads.Workers()[2].PollsBeforeEnd, 2u);
}

}  // namespace
}  // namespace tolma::sim

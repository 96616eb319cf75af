#pragma once

// A clock that only moves when it is read or slept on, and workers that run their body on the
// caller's thread at the moment they end: at Resume, or at the poll that finds them ended after
// a chosen number of polls that found them running.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Platform.h"

namespace tolma::sim {

class SimThreads final : public platform::Threads {
 public:
  uint32_t TickCount() override;
  void SleepMilliseconds(uint32_t ms) override;
  std::unique_ptr<platform::Worker> CreateSuspendedWorker(std::function<void()> body) override;

  // ---- The clock. ----
  void SetTick(uint32_t tick) { tick_ = tick; }
  // The tick the next reading gives, without reading it.
  [[nodiscard]] uint32_t Tick() const { return tick_; }
  // How far each reading moves the clock on (1 ms unless set).
  void SetTickStep(uint32_t step) { tickStep_ = step; }

  // ---- Workers. ----
  // How many polls find a new worker still running before one finds it ended (0: it ends as
  // soon as it is resumed). Planned counts are used first, one per worker in creation order.
  void SetPollsBeforeEnd(uint32_t polls) { pollsBeforeEnd_ = polls; }
  void PlanWorkers(std::vector<uint32_t> pollsBeforeEnd);
  // CreateThread fails (no memory for another thread, say): no worker is made.
  void FailCreation(bool fail) { failCreation_ = fail; }

  struct WorkerRecord {
    uint32_t PollsBeforeEnd = 0;
    int Polls = 0;
    bool Resumed = false;
    bool Ended = false;
    bool Destroyed = false;
  };
  [[nodiscard]] const std::vector<WorkerRecord>& Workers() const { return workers_; }
  [[nodiscard]] int LiveWorkers() const;
  // Whether a worker's body is running now.
  [[nodiscard]] bool InWorker() const { return inWorker_; }
  [[nodiscard]] const std::vector<uint32_t>& Sleeps() const { return sleeps_; }
  [[nodiscard]] int TickReadings() const { return tickReadings_; }

 private:
  class SimWorker;

  uint32_t tick_ = 0x00100000;
  uint32_t tickStep_ = 1;
  int tickReadings_ = 0;
  std::vector<uint32_t> sleeps_;
  uint32_t pollsBeforeEnd_ = 2;
  std::deque<uint32_t> plannedWorkers_;
  std::vector<WorkerRecord> workers_;
  bool inWorker_ = false;
  bool failCreation_ = false;
};

}  // namespace tolma::sim

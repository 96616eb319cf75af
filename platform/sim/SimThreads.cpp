#include "platform/sim/SimThreads.h"

#include <algorithm>

namespace tolma::sim {

class SimThreads::SimWorker final : public platform::Worker {
 public:
  SimWorker(SimThreads& threads, size_t index, std::function<void()> body)
      : threads_(threads), index_(index), body_(std::move(body)) {}
  SimWorker(const SimWorker&) = delete;
  SimWorker& operator=(const SimWorker&) = delete;
  // Waits for the thread: a resumed worker finishes its body now.
  ~SimWorker() override {
    if (Record().Resumed && !Record().Ended) End();
    Record().Destroyed = true;
  }

  void Resume() override {
    if (Record().Resumed) return;
    Record().Resumed = true;
    if (Record().PollsBeforeEnd == 0) End();
  }

  uint32_t PollEnded() override {
    WorkerRecord& record = Record();
    ++record.Polls;
    if (record.Ended) return platform::kWaitObject0;
    if (!record.Resumed) return platform::kWaitTimeout;  // a suspended thread never ends
    if (runningPolls_ < record.PollsBeforeEnd) {
      ++runningPolls_;
      return platform::kWaitTimeout;
    }
    End();
    return platform::kWaitObject0;
  }

 private:
  WorkerRecord& Record() { return threads_.workers_[index_]; }

  void End() {
    threads_.inWorker_ = true;
    body_();
    threads_.inWorker_ = false;
    Record().Ended = true;
  }

  SimThreads& threads_;
  size_t index_;
  std::function<void()> body_;
  uint32_t runningPolls_ = 0;
};

uint32_t SimThreads::TickCount() {
  ++tickReadings_;
  const uint32_t reading = tick_;
  tick_ += tickStep_;
  return reading;
}

void SimThreads::SleepMilliseconds(uint32_t ms) {
  sleeps_.push_back(ms);
  tick_ += ms;
}

std::unique_ptr<platform::Worker> SimThreads::CreateSuspendedWorker(std::function<void()> body) {
  if (failCreation_) return nullptr;
  WorkerRecord record;
  record.PollsBeforeEnd = pollsBeforeEnd_;
  if (!plannedWorkers_.empty()) {
    record.PollsBeforeEnd = plannedWorkers_.front();
    plannedWorkers_.pop_front();
  }
  workers_.push_back(record);
  return std::make_unique<SimWorker>(*this, workers_.size() - 1, std::move(body));
}

void SimThreads::PlanWorkers(std::vector<uint32_t> pollsBeforeEnd) {
  plannedWorkers_.assign(pollsBeforeEnd.begin(), pollsBeforeEnd.end());
}

int SimThreads::LiveWorkers() const {
  return static_cast<int>(
      std::count_if(workers_.begin(), workers_.end(),
                    [](const WorkerRecord& record) { return !record.Destroyed; }));
}

}  // namespace tolma::sim

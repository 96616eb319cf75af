#include "platform/win32/Threads.h"

#include "platform/win32/Handles.h"

namespace tolma::win32 {
namespace {

class Worker final : public platform::Worker {
 public:
  explicit Worker(std::function<void()> body) : body_(std::move(body)) {}

  ~Worker() override {
    if (!thread_) return;
    if (!resumed_) {
      // A thread never started must still end before its handle goes: let it run, skipping
      // the body. ResumeThread orders this write before the thread's read.
      cancelled_ = true;
      ResumeThread(thread_.Get());
    }
    WaitForSingleObject(thread_.Get(), INFINITE);
  }

  bool Start() {
    thread_.Reset(CreateThread(nullptr, 0, &Worker::Run, this, CREATE_SUSPENDED, nullptr));
    return thread_.Valid();
  }

  void Resume() override {
    if (resumed_) return;
    resumed_ = true;
    ResumeThread(thread_.Get());
  }

  uint32_t PollEnded() override { return WaitForSingleObject(thread_.Get(), 0); }

 private:
  static DWORD WINAPI Run(LPVOID parameter) {
    auto& self = *static_cast<Worker*>(parameter);
    if (self.cancelled_) return 0;
    // An exception must not leave a thread's entry: the body's own results then stay at
    // what they were before it ran (a publication that did not succeed).
    try {
      self.body_();
    } catch (...) {
      return 1;
    }
    return 0;
  }

  std::function<void()> body_;
  bool resumed_ = false;
  bool cancelled_ = false;
  KernelHandle thread_;
};

}  // namespace

uint32_t Threads::TickCount() { return GetTickCount(); }

void Threads::SleepMilliseconds(uint32_t ms) { Sleep(ms); }

std::unique_ptr<platform::Worker> Threads::CreateSuspendedWorker(std::function<void()> body) {
  auto worker = std::make_unique<Worker>(std::move(body));
  if (!worker->Start()) return nullptr;
  return worker;
}

}  // namespace tolma::win32

#pragma once

// The tick count, sleeping, and worker threads over CreateThread.

#include "platform/Platform.h"

namespace tolma::win32 {

class Threads final : public platform::Threads {
 public:
  uint32_t TickCount() override;
  void SleepMilliseconds(uint32_t ms) override;
  // Null when the system cannot create the thread.
  std::unique_ptr<platform::Worker> CreateSuspendedWorker(std::function<void()> body) override;
};

}  // namespace tolma::win32

#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace tolma {

// Publishes one INF to the driver store on a thread of its own, so that the window stays alive
// while SetupAPI works. The fields are handed over only through the wait on the thread: InfPath
// is set before the thread starts, DestName and Succeeded are read after it has ended.
class TINFThread {
 public:
  static constexpr uint32_t kDestinationSize = 283;

  // Raises an Exception naming the INF when the thread cannot be created.
  TINFThread(platform::Threads& threads, platform::SetupApi& setupApi, std::string infPath);

  void Start() { worker_->Resume(); }
  uint32_t PollEnded() { return worker_->PollEnded(); }
  void Execute();

  std::string InfPath;
  std::string DestName;
  bool Succeeded = false;

 private:
  platform::SetupApi& setupApi_;
  // Declared last, so that it is destroyed first: its destructor waits for the thread to end
  // before the fields it writes go away.
  std::unique_ptr<platform::Worker> worker_;
};

}  // namespace tolma

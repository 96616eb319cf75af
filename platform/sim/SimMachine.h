#pragma once

// One simulated Windows machine: its volume, registry, driver store, clock and threads, system
// facts and window, wired together, and the Services bundle the installer takes.

#include "platform/Platform.h"
#include "platform/sim/SimDriverStore.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimSystem.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimUi.h"
#include "platform/sim/SimVolume.h"

namespace tolma::sim {

class SimMachine {
 public:
  SimMachine();
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  platform::Services& Services() { return services_; }

  SimVolume Volume;
  SimRegistry Registry;
  SimThreads Threads;
  SimDriverStore Store;
  SimSystem System;
  SimUi Ui;

 private:
  platform::Services services_;
};

}  // namespace tolma::sim

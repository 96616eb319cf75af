#include "platform/sim/SimMachine.h"

namespace tolma::sim {

SimMachine::SimMachine()
    : Store(Volume, Threads),
      System(Store),
      Ui(System),
      services_{Volume, Registry, Threads, System, Ui} {
  // One ANSI code page for the whole machine: the volume splits paths by the system's lead bytes.
  Volume.SetLeadByteTest([this](unsigned char byte) { return System.IsLeadByte(byte); });
}

}  // namespace tolma::sim

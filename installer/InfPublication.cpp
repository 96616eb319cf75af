#include "installer/InfPublication.h"

#include "installer/Errors.h"
#include "installer/InfLedger.h"
#include "installer/MainUnit.h"

namespace tolma {

TINFThread::TINFThread(platform::Threads& threads, platform::SetupApi& setupApi,
                       std::string infPath)
    : InfPath(std::move(infPath)),
      setupApi_(setupApi),
      worker_(threads.CreateSuspendedWorker([this] { Execute(); })) {
  if (!worker_) throw Exception("Cannot start a thread to publish " + InfPath);
}

void TINFThread::Execute() {
  uint32_t size = kDestinationSize;
  DestName.assign(kDestinationSize, '\0');
  Succeeded = setupApi_.CopyOEMInf(InfPath, DestName.data(), kDestinationSize, &size);
  InfPath.clear();
  // The reported size counts the terminating NUL; the buffer is garbage after a failure.
  if (Succeeded && size > 0 && DestName.size() > size - 1) DestName.resize(size - 1);
}

void TMainForm::RegisterInf(const std::string& path) {
  if (!SetupApiLib || !SetupApiLib->HasCopyOEMInf()) throw EServiceMissing("SetupCopyOEMInfA");

  TINFThread thread(services_.Thread, *SetupApiLib, path);
  thread.Start();
  application_.ProcessMessages();
  uint32_t wait = thread.PollEnded();
  while (wait == platform::kWaitTimeout) {
    services_.Thread.SleepMilliseconds(1);
    application_.ProcessMessages();
    wait = thread.PollEnded();
  }
  // A failed wait says nothing about the thread: its fields are not read then.
  if (wait != platform::kWaitObject0 || !thread.Succeeded) return;

  const std::unique_ptr<platform::RegistryKey> ledger =
      services_.Reg.OpenLocalMachine(kInfLedgerPath, kInfLedgerRights, true);
  if (!ledger || !ledger->WriteString(path, ExtractFileName(thread.DestName, LeadBytes()))) {
    throw ERegistryError::SetData(path);
  }
}

}  // namespace tolma

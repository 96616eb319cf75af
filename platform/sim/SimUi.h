#pragma once

// The application's side of the windowing system: the main thread's message queue, the one
// main window, error boxes, and a record of everything shown. When the program waits for a
// message and nothing is coming, the simulated user closes the window (and that is recorded),
// so that a program whose window stays open after an error still ends.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/SimSystem.h"
#include "platform/sim/SimUiEvent.h"
#include "platform/sim/SimWindow.h"

namespace tolma::sim {

class SimUi final : public platform::Ui {
 public:
  explicit SimUi(SimSystem& system) : system_(system) {}

  void SetApplicationTitle(const std::string& title) override;
  platform::MainWindow& CreateMainWindow(platform::FormEvents& events) override;
  void ShowMainWindow() override;
  void DestroyMainWindow() override;
  bool DispatchOneMessage(bool& quit) override;
  void WaitForMessage() override;
  void ShowErrorBox(const std::string& text) override;

  // The program starts again on the same machine: a new queue and window, a new record.
  void StartNewProcess();

  // The user clicks the close box so that the click is dispatched by the nth DispatchOneMessage
  // call from now (1: the next one).
  void CloseAtDispatch(int n) { closeAt_ = dispatchCalls_ + n; }

  [[nodiscard]] const std::vector<UiEvent>& Events() const { return events_; }
  [[nodiscard]] std::vector<std::string> StatusTexts() const;
  // The progress maxima and positions, in order.
  [[nodiscard]] std::vector<UiEvent> Progress() const;
  [[nodiscard]] std::vector<std::string> ErrorBoxes() const;
  [[nodiscard]] int Count(UiEventKind kind) const;
  [[nodiscard]] const std::string& Title() const { return title_; }
  // Null until the window is created; it stays for inspection after it is destroyed.
  [[nodiscard]] const SimWindow* Window() const { return window_.get(); }
  [[nodiscard]] bool WindowDestroyed() const { return destroyed_; }
  [[nodiscard]] int DispatchCalls() const { return dispatchCalls_; }
  // How often the program waited with nothing to come, so that the user had to close it.
  [[nodiscard]] int WaitsForUser() const { return waitsForUser_; }

 private:
  friend class SimWindow;
  enum class Message { Close, Quit };

  void Record(UiEvent event) { events_.push_back(std::move(event)); }
  void PostQuit() { queue_.push_back(Message::Quit); }

  SimSystem& system_;
  std::unique_ptr<SimWindow> window_;
  bool destroyed_ = false;
  std::string title_;
  std::vector<UiEvent> events_;
  std::deque<Message> queue_;
  int dispatchCalls_ = 0;
  std::optional<int> closeAt_;
  int waitsForUser_ = 0;
};

}  // namespace tolma::sim

#include "platform/sim/SimUi.h"

#include <algorithm>
#include <stdexcept>

namespace tolma::sim {
namespace {

// A program still waiting after the user has closed its window this often never ends.
constexpr int kMaxWaitsForUser = 100;

}  // namespace

void SimUi::SetApplicationTitle(const std::string& title) {
  title_ = title;
  Record({UiEventKind::Title, title, 0});
}

platform::MainWindow& SimUi::CreateMainWindow(platform::FormEvents& events) {
  if (window_) throw std::logic_error("the program has one main window only");
  window_ = std::make_unique<SimWindow>(*this, events, system_.ScreenPixelsPerInch());
  Record({UiEventKind::Created, {}, 0});
  events.OnCreate(*window_);
  return *window_;
}

void SimUi::StartNewProcess() {
  window_.reset();
  destroyed_ = false;
  title_.clear();
  events_.clear();
  queue_.clear();
  closeAt_.reset();
  dispatchCalls_ = 0;
  waitsForUser_ = 0;
}

void SimUi::ShowMainWindow() { Record({UiEventKind::Shown, {}, window_->ClientHeight()}); }

void SimUi::DestroyMainWindow() {
  if (!window_ || destroyed_) return;
  destroyed_ = true;
  window_->Events().OnDestroy();
  Record({UiEventKind::Destroyed, {}, 0});
}

bool SimUi::DispatchOneMessage(bool& quit) {
  ++dispatchCalls_;
  if (closeAt_ && dispatchCalls_ >= *closeAt_) {
    closeAt_.reset();
    queue_.push_back(Message::Close);
  }
  if (queue_.empty()) return false;
  const Message message = queue_.front();
  queue_.pop_front();
  if (message == Message::Quit) {
    quit = true;
  } else if (window_ && !destroyed_) {
    Record({UiEventKind::UserClose, {}, 0});
    window_->Close();
  }
  return true;
}

void SimUi::WaitForMessage() {
  if (!queue_.empty()) return;
  if (closeAt_) {
    closeAt_ = dispatchCalls_ + 1;  // the planned click is what arrives
    return;
  }
  if (++waitsForUser_ > kMaxWaitsForUser) {
    throw std::runtime_error("the program goes on waiting after its window was closed");
  }
  queue_.push_back(Message::Close);
}

void SimUi::ShowErrorBox(const std::string& text) { Record({UiEventKind::ErrorBox, text, 0}); }

std::vector<std::string> SimUi::StatusTexts() const {
  std::vector<std::string> texts;
  for (const auto& event : events_) {
    if (event.Kind == UiEventKind::Status) texts.push_back(event.Text);
  }
  return texts;
}

std::vector<UiEvent> SimUi::Progress() const {
  std::vector<UiEvent> progress;
  std::copy_if(events_.begin(), events_.end(), std::back_inserter(progress), [](const auto& event) {
    return event.Kind == UiEventKind::ProgressMax || event.Kind == UiEventKind::ProgressPosition;
  });
  return progress;
}

std::vector<std::string> SimUi::ErrorBoxes() const {
  std::vector<std::string> texts;
  for (const auto& event : events_) {
    if (event.Kind == UiEventKind::ErrorBox) texts.push_back(event.Text);
  }
  return texts;
}

int SimUi::Count(UiEventKind kind) const {
  return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                        [kind](const auto& event) { return event.Kind == kind; }));
}

}  // namespace tolma::sim

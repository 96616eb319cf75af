#pragma once

// One thing the simulated window or application showed or did, in the order it happened.

#include <cstdint>
#include <string>

namespace tolma::sim {

enum class UiEventKind {
  Title,             // Text: the application title
  Created,           // the main window was created
  Shown,             // Value: the client height when shown
  Status,            // Text: the status line
  ProgressMax,       // Value
  ProgressPosition,  // Value: the position the bar shows
  Fonts,             // Text: face; Value: the window font's height
  ClientHeight,      // Value
  ErrorBox,          // Text: the message; the caption is the application title
  UserClose,         // the user clicked the close box
  Close,             // the window was asked to close (OnClose ran, a quit message was posted)
  Destroyed,         // the main window was destroyed
};

struct UiEvent {
  UiEventKind Kind = UiEventKind::Status;
  std::string Text;
  int32_t Value = 0;
  bool operator==(const UiEvent&) const = default;
};

inline UiEvent ProgressMaxEvent(int32_t max) { return {UiEventKind::ProgressMax, {}, max}; }
inline UiEvent ProgressPositionEvent(int32_t position) {
  return {UiEventKind::ProgressPosition, {}, position};
}

}  // namespace tolma::sim

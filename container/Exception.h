#pragma once

#include <exception>
#include <string>
#include <utility>

namespace tolma {

// The one base class of the program's exceptions: it carries only a message text, which is
// what the error report shows.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  [[nodiscard]] const char* what() const noexcept override { return message_.c_str(); }
  [[nodiscard]] const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

}  // namespace tolma

#pragma once

// The two ways driverpack stops early: bad input (exit code 1) and bad usage (exit code 2).

#include "container/Exception.h"

namespace tolma::driverpack {

class ToolError : public Exception {
 public:
  using Exception::Exception;
};

class UsageError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace tolma::driverpack

#pragma once

// The installer's own failures. Each carries the message the error report shows.

#include <string>

#include "container/Exception.h"

namespace tolma {

// The program's own executable could not be opened for reading.
class EFileOpenError : public Exception {
 public:
  explicit EFileOpenError(const std::string& path) : Exception("Cannot open file " + path) {}
};

// A file could not be created or replaced.
class EFileCreateError : public Exception {
 public:
  explicit EFileCreateError(const std::string& path) : Exception("Cannot create file " + path) {}
};

// A write failed or stored fewer bytes than the content holds (a full disk).
class EFileWriteError : public Exception {
 public:
  explicit EFileWriteError(const std::string& path) : Exception("Cannot write file " + path) {}
};

// A registry value could not be written or read.
class ERegistryError : public Exception {
 public:
  using Exception::Exception;
  static ERegistryError SetData(const std::string& name) {
    return ERegistryError("Failed to set data for '" + name + "'");
  }
  static ERegistryError GetData(const std::string& name) {
    return ERegistryError("Failed to get data for '" + name + "'");
  }
  static ERegistryError InvalidType(const std::string& name) {
    return ERegistryError("Invalid data type for '" + name + "'");
  }
};

// A SetupAPI entry point the job needs was not found.
class EServiceMissing : public Exception {
 public:
  explicit EServiceMissing(const std::string& entryPoint)
      : Exception(entryPoint + " is not available in SetupAPI.dll") {}
};

}  // namespace tolma

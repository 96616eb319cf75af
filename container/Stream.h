#pragma once

#include <cstdint>
#include <string>

namespace tolma {

// A seekable byte stream with signed 32-bit sizes and positions. Read and Write move at most
// `count` bytes at the position, advance it by the bytes moved and return that number.
class Stream {
 public:
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  virtual ~Stream() = default;

  [[nodiscard]] virtual int32_t Size() const = 0;
  [[nodiscard]] virtual int32_t Position() const = 0;
  virtual void SetPosition(int32_t position) = 0;
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
};

// A stream over a byte string held in memory. A position beyond the end is allowed; a write
// there fills the gap with zero bytes.
class MemoryStream final : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  [[nodiscard]] int32_t Size() const override;
  [[nodiscard]] int32_t Position() const override { return position_; }
  void SetPosition(int32_t position) override { position_ = position; }
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;

  [[nodiscard]] const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  int32_t position_ = 0;
};

}  // namespace tolma

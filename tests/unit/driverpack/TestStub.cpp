#include "TestStub.h"

#include <cstdint>

#include "container/DIFFChunks.h"
#include "installer/EmbeddedArchive.h"

namespace tolma::testing_driverpack {
namespace {

constexpr size_t kPeHeader = 0x80;
constexpr size_t kOptionalHeader = kPeHeader + 24;
constexpr size_t kOptionalHeaderSize = 0xE0;
constexpr size_t kCertificateEntry = kOptionalHeader + 96 + size_t{8} * 4;
constexpr size_t kSectionTable = kOptionalHeader + kOptionalHeaderSize;
constexpr size_t kSectionStart = 0x200;

void Put16(std::string& file, size_t at, uint16_t value) {
  file[at] = static_cast<char>(value & 0xFFU);
  file[at + 1] = static_cast<char>(value >> 8U);
}

void Put32(std::string& file, size_t at, uint32_t value) {
  file.replace(at, 4, PackLongWord(value));
}

}  // namespace

std::string MakeStub(const StubOptions& options) {
  std::string file(kStubSize, '\0');
  file.replace(0, 2, "MZ");
  Put32(file, 0x3C, kPeHeader);
  file.replace(kPeHeader, 4, std::string("PE\0\0", 4));
  Put16(file, kPeHeader + 4, 0x014C);  // i386
  Put16(file, kPeHeader + 6, 1);       // one section
  Put16(file, kPeHeader + 20, kOptionalHeaderSize);
  Put16(file, kPeHeader + 22, 0x0102);               // executable, 32-bit
  Put16(file, kOptionalHeader, 0x10B);               // PE32
  Put32(file, kOptionalHeader + 60, kSectionStart);  // size of headers
  Put32(file, kOptionalHeader + 92, 16);             // data directories
  file.replace(kSectionTable, 5, ".data");
  Put32(file, kSectionTable + 8, 0x200);    // virtual size
  Put32(file, kSectionTable + 12, 0x1000);  // virtual address
  Put32(file, kSectionTable + 16, static_cast<uint32_t>(kStubSize - kSectionStart));
  Put32(file, kSectionTable + 20, kSectionStart);
  for (size_t i = kSectionStart; i < kStubSize; ++i) file[i] = static_cast<char>(0x41 + i % 23);

  const std::string marker = std::string(kMarkerStart) + options.Field + std::string(kMarkerEnd);
  if (options.Markers >= 1) file.replace(kStubMarkerPosition, marker.size(), marker);
  if (options.Markers >= 2) file.replace(kStubSecondMarkerPosition, marker.size(), marker);
  return file + options.AfterImage;
}

std::string AttachCertificateTable(std::string file, size_t size) {
  file.append((8 - file.size() % 8) % 8, '\0');
  const auto offset = static_cast<uint32_t>(file.size());
  std::string table =
      PackLongWord(static_cast<uint32_t>(size)) + std::string("\x00\x02\x02\x00", 4);
  while (table.size() < size) table += static_cast<char>(0x30 + table.size() % 61);
  return WithCertificateEntry(file + table, offset, static_cast<uint32_t>(size));
}

std::string WithCertificateEntry(std::string file, uint32_t offset, uint32_t size) {
  Put32(file, kCertificateEntry, offset);
  Put32(file, kCertificateEntry + 4, size);
  return file;
}

}  // namespace tolma::testing_driverpack

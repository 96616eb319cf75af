#pragma once

// Small Windows executables of our own for the tests: valid headers, one section, the archive
// marker inside it. Never the real installer.

#include <cstddef>
#include <string>

namespace tolma::testing_driverpack {

inline constexpr size_t kStubSize = 0x400;
inline constexpr size_t kStubMarkerPosition = 0x210;
inline constexpr size_t kStubSecondMarkerPosition = 0x300;

struct StubOptions {
  int Markers = 1;             // 0, 1 or 2
  std::string Field = "XXXX";  // the marker's offset field
  std::string AfterImage;      // bytes appended behind the section
};

std::string MakeStub(const StubOptions& options = {});

// As signing does it: zero bytes up to a multiple of 8, then a certificate table of the size,
// which the certificate-table directory entry then points to.
std::string AttachCertificateTable(std::string file, size_t size);

// The file with its certificate-table directory entry set as given.
std::string WithCertificateEntry(std::string file, uint32_t offset, uint32_t size);

}  // namespace tolma::testing_driverpack

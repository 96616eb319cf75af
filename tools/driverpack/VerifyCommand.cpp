// driverpack verify: whether the installer would write every file of its archive, and whether
// what follows the archive is what may follow it.

#include <algorithm>
#include <string>
#include <vector>

#include "tools/driverpack/ArchiveChecks.h"
#include "tools/driverpack/Commands.h"
#include "tools/driverpack/InstallerFile.h"

namespace tolma::driverpack {
namespace {

// Signing pads the file with zero bytes to a multiple of 8 before the certificate table.
constexpr uint64_t kMaxPadding = 7;

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char ch) { return ch == '\0'; });
}

std::string Bytes(uint64_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// What follows the archive, described in out; the problems with it go to problems.
void CheckTrailer(const InstallerFile& file, std::ostream& out,
                  std::vector<std::string>& problems) {
  const std::string_view bytes = file.Bytes;
  const uint64_t end = file.ArchiveEnd;
  const uint64_t certificate = file.Layout.CertificateOffset;
  const uint64_t certificateSize = file.Layout.CertificateSize;
  if (certificate == 0 && certificateSize == 0) {
    const std::string_view tail = bytes.substr(end);
    if (tail.empty()) {
      out << "after the archive: nothing\n";
    } else if (tail.size() <= kMaxPadding && AllZero(tail)) {
      out << "after the archive: " << Bytes(tail.size()) << " of zero padding\n";
    } else {
      problems.push_back(Bytes(tail.size()) +
                         " after the archive are neither zero padding nor a certificate table");
    }
    return;
  }
  const size_t problemsBefore = problems.size();
  if (certificate < end) {
    problems.push_back("the certificate table at offset " + std::to_string(certificate) +
                       " begins before the archive ends (at " + std::to_string(end) +
                       "): the file was signed before its archive was attached");
    return;
  }
  const std::string_view gap =
      bytes.substr(end, std::min<uint64_t>(certificate, bytes.size()) - end);
  if (certificate - end > kMaxPadding || !AllZero(gap)) {
    problems.push_back("the " + Bytes(certificate - end) +
                       " between the archive and the certificate table are not zero padding of "
                       "at most 7 bytes");
  }
  const uint64_t certificateEnd = certificate + certificateSize;
  if (certificateEnd > bytes.size()) {
    problems.push_back("the certificate table runs " + Bytes(certificateEnd - bytes.size()) +
                       " past the end of the file");
  } else if (certificateEnd < bytes.size()) {
    problems.push_back(Bytes(bytes.size() - certificateEnd) + " follow the certificate table");
  }
  if (problems.size() == problemsBefore) {
    out << "after the archive: " << Bytes(certificate - end)
        << " of zero padding, then the certificate table (" << Bytes(certificateSize)
        << "); the archive ends before the certificate table, so the signature covers it\n";
  }
}

}  // namespace

int RunVerify(const std::string& installer, std::ostream& out, std::ostream& err) {
  const InstallerFile file = OpenInstaller(installer);
  std::vector<std::string> problems;
  out << installer << ": image of " << file.Layout.ImageEnd << " bytes, marker at offset "
      << file.MarkerPosition << ", archive at offset " << file.ArchiveOffset << " ("
      << Bytes(file.ArchiveEnd - static_cast<uint64_t>(file.ArchiveOffset)) << ", "
      << file.Root->Chunks.size() << " children)\n";
  const auto offset = static_cast<uint64_t>(file.ArchiveOffset);
  if (offset < file.Layout.ImageEnd) {
    problems.push_back("the archive starts inside the image, which ends at offset " +
                       std::to_string(file.Layout.ImageEnd));
  } else if (offset > file.Layout.ImageEnd) {
    out << Bytes(offset - file.Layout.ImageEnd) << " lie between the image and the archive\n";
  }
  const std::vector<std::string> recordProblems = RecordProblems(*file.Root);
  problems.insert(problems.end(), recordProblems.begin(), recordProblems.end());
  CheckTrailer(file, out, problems);

  if (!problems.empty()) {
    for (const std::string& problem : problems)
      err << kToolPrefix << installer << ": " << problem << "\n";
    err << kToolPrefix << installer << ": verification failed\n";
    return 1;
  }
  out << "verified: the installer would write every file\n";
  return 0;
}

}  // namespace tolma::driverpack

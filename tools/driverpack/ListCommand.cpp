// driverpack list: the file records of an installer as a table.

#include <array>
#include <cstdio>

#include "installer/EmbeddedArchive.h"
#include "tools/driverpack/Commands.h"
#include "tools/driverpack/FileTimes.h"
#include "tools/driverpack/HostFiles.h"
#include "tools/driverpack/InstallerFile.h"

namespace tolma::driverpack {
namespace {

std::string Row(std::string_view size, std::string_view time, std::string_view kind,
                std::string_view path) {
  std::array<char, 64> columns{};
  std::snprintf(columns.data(), columns.size(), "%12.*s  %-19.*s  %-3.*s  ",
                static_cast<int>(size.size()), size.data(), static_cast<int>(time.size()),
                time.data(), static_cast<int>(kind.size()), kind.data());
  return columns.data() + std::string(path) + "\n";
}

}  // namespace

int RunList(const std::string& installer, std::ostream& out) {
  const InstallerFile file = OpenInstaller(installer);
  out << Row("Size", "Last write (UTC)", "", "Path");
  uint64_t bytes = 0;
  size_t files = 0;
  size_t infs = 0;
  size_t skipped = 0;
  for (const auto& child : file.Root->Chunks) {
    const FileRecordReading reading = ReadFileRecord(*child);
    if (!reading.Record) {
      ++skipped;
      continue;
    }
    const FileRecordView& record = *reading.Record;
    const bool isInf = IsInfPath(record.RelPath);
    out << Row(std::to_string(record.Content.size()), FormatUtc(record.FileTime),
               isInf ? "INF" : "", host::HostName(record.RelPath));
    bytes += record.Content.size();
    ++files;
    if (isInf) ++infs;
  }
  out << files << " files, " << bytes << " bytes, " << infs << " INF\n";
  if (skipped != 0) {
    out << skipped << " children of the archive are not file records the installer writes; "
        << "see driverpack verify\n";
  }
  return 0;
}

}  // namespace tolma::driverpack

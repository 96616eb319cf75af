// Peak heap memory of loading an installer's archive and collecting its file records, through
// the code the installation job runs (LoadEmbeddedArchive, then CollectFileRecords handed the
// root), measured as a ratio to the archive's size. Every allocation of the process is counted,
// so the figure holds whatever the container or the records allocate.
//
//   archive_peak_memory [records] [bytes per record]     (default: 2000 records of 32 KiB)

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include "installer/ArchiveWriter.h"
#include "installer/EmbeddedArchive.h"

namespace {

size_t liveBytes = 0;
size_t peakBytes = 0;

// Each block carries its size in front of it, so that delete knows what it gives back.
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  liveBytes += size;
  if (liveBytes > peakBytes) peakBytes = liveBytes;
  return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  void* block = static_cast<char*>(pointer) - kHeader;
  liveBytes -= *static_cast<size_t*>(block);
  std::free(block);
}

// The program's own file, read through an ordinary file stream. Only what loading the archive
// needs is implemented; nothing here writes.
class FileStream final : public tolma::Stream {
 public:
  explicit FileStream(const std::string& path) : file_(path, std::ios::binary) {
    file_.seekg(0, std::ios::end);
    size_ = static_cast<int32_t>(file_.tellg());
  }
  [[nodiscard]] bool IsOpen() const { return file_.is_open(); }
  [[nodiscard]] int32_t Size() const override { return size_; }
  [[nodiscard]] int32_t Position() const override { return position_; }
  void SetPosition(int32_t position) override { position_ = position; }
  int32_t Read(void* buffer, int32_t count) override {
    file_.clear();
    file_.seekg(position_);
    file_.read(static_cast<char*>(buffer), count);
    const auto moved = static_cast<int32_t>(file_.gcount());
    position_ += moved;
    return moved;
  }
  int32_t Write(const void* /*buffer*/, int32_t /*count*/) override { return 0; }

 private:
  std::ifstream file_;
  int32_t size_ = 0;
  int32_t position_ = 0;
};

class ReadOnlyFiles final : public tolma::platform::FileSystem {
 public:
  explicit ReadOnlyFiles(std::string ownPath) : ownPath_(std::move(ownPath)) {}
  std::string OwnModulePath() override { return ownPath_; }
  std::unique_ptr<tolma::Stream> OpenForReading(const std::string& path) override {
    auto stream = std::make_unique<FileStream>(path);
    if (!stream->IsOpen()) return nullptr;
    return stream;
  }
  std::unique_ptr<tolma::platform::WritableFile> CreateOrReplace(const std::string&) override {
    return nullptr;
  }
  bool MakeFolder(const std::string&) override { return false; }
  uint32_t Attributes(const std::string&) override { return tolma::platform::kInvalidAttributes; }
  std::optional<std::vector<tolma::platform::FolderEntry>> ListFolder(const std::string&) override {
    return std::nullopt;
  }
  bool RemoveFile(const std::string&) override { return false; }
  bool RemoveFolder(const std::string&) override { return false; }

 private:
  std::string ownPath_;
};

std::string RelPath(unsigned long index) { return "Drv\\" + std::to_string(index) + ".sys"; }

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, size_t /*size*/) noexcept { Release(pointer); }
void operator delete[](void* pointer, size_t /*size*/) noexcept { Release(pointer); }

int main(int argc, char** argv) {
  const unsigned long records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000;
  const unsigned long recordBytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 32 * 1024;
  const std::string stub(4096, 'M');
  const std::string path = "archive_peak_memory.bin";

  // The installer file: a stub, then the archive written record by record.
  uint64_t archiveSize = 0;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << stub;
    uint64_t recordsSize = 0;
    for (unsigned long i = 0; i < records; ++i) {
      recordsSize += tolma::FileRecordSize(RelPath(i).size(), recordBytes);
    }
    const std::string head = tolma::ArchiveHead(static_cast<uint32_t>(records), recordsSize);
    out << head;
    for (unsigned long i = 0; i < records; ++i) {
      const auto record =
          tolma::MakeFileRecord("Drv\\" + std::to_string(i) + ".sys",
                                {static_cast<uint32_t>(i), 0x01D9}, std::string(recordBytes, 'x'));
      out << record->SaveToString();
    }
    archiveSize = tolma::ArchiveSize(recordsSize);
  }

  ReadOnlyFiles files(path);
  const size_t baseline = liveBytes;
  peakBytes = liveBytes;
  size_t collected = 0;
  {
    tolma::TFileDatas fileRecords;
    auto root = tolma::LoadEmbeddedArchive(files, static_cast<int32_t>(stub.size()));
    if (!root) {
      std::fprintf(stderr, "archive_peak_memory: the archive did not load\n");
      return 1;
    }
    tolma::CollectFileRecords(fileRecords, std::move(root), "C:\\Program Files\\");
    collected = fileRecords.size();
  }
  std::remove(path.c_str());
  if (collected != records) {
    std::fprintf(stderr, "archive_peak_memory: %zu of %lu records collected\n", collected, records);
    return 1;
  }

  const double ratio = static_cast<double>(peakBytes - baseline) / static_cast<double>(archiveSize);
  std::printf("archive: %llu bytes in %lu records\n", static_cast<unsigned long long>(archiveSize),
              records);
  std::printf("peak heap while loading and collecting: %zu bytes\n", peakBytes - baseline);
  std::printf("ratio to the archive: %.3f\n", ratio);
  return 0;
}

// Loading and saving an installer-shaped archive, each against copies of the same bytes.
//
// Every iteration first copies the archive's bytes twice: with memcpy into a buffer allocated
// (and touched) once before the loop, and into a newly allocated string; then it runs the
// operation. Only the operation's time is the iteration's time. The counters give the memcpy
// rate of the same run, the ratio of the operation's time to the memcpy's (x_memcpy: the goal
// is 2.0 or less) and to the fresh copy's (x_fresh_copy).
//
// How the allocator treats freed memory decides much of the outcome, since a page touched for
// the first time costs a page fault whatever the code does with it. scripts/bench-container.sh
// runs this program twice: with freed memory kept for reuse (the container's own work) and with
// large blocks taken from new pages and given back when freed (a process that loads its archive
// once).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "container/DIFFChunks.h"

namespace tolma {
namespace {

using Clock = std::chrono::steady_clock;

struct Archive {
  std::unique_ptr<TDIFFChunk> Root;
  std::string Bytes;
};

// A root "FILES" with `records` "1FILE" children of `contentBytes` bytes of content each, the
// way the packer lays out a driver package. Built once per shape.
const Archive& ArchiveOf(int64_t records, int64_t contentBytes) {
  static std::map<std::pair<int64_t, int64_t>, Archive> built;
  Archive& archive = built[{records, contentBytes}];
  if (archive.Root) return archive;

  archive.Root = std::make_unique<TDIFFChunk>();
  archive.Root->Tag = "FILES";
  uint32_t seed = 12345;
  for (int64_t i = 0; i < records; ++i) {
    TDIFFChunk& record = archive.Root->NewChunk();
    record.Tag = "1FILE";
    record.AddHeader("RelPath", "drivers\\x86\\file" + std::to_string(i) + ".sys");
    record.AddHeader("Filetime", PackLongWord(0xD53E8000U + static_cast<uint32_t>(i)) +
                                     PackLongWord(0x01D2C3B4U));
    std::string content(static_cast<size_t>(contentBytes), '\0');
    for (char& byte : content) {
      seed = seed * 1664525U + 1013904223U;
      byte = static_cast<char>(seed >> 24U);
    }
    record.AddHeader("Content", std::move(content));
  }
  archive.Bytes = archive.Root->SaveToString();
  return archive;
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Runs `operation` per iteration after the two timed copies of the archive's bytes;
// `operation` returns the time its own measured part took.
template <class Operation>
void AgainstCopies(benchmark::State& state, const Archive& archive, Operation operation) {
  const std::string& bytes = archive.Bytes;
  std::string copy(bytes.size(), '\1');
  double memcpySeconds = 0;
  double freshSeconds = 0;
  double operationSeconds = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    benchmark::ClobberMemory();
    const auto copied = Clock::now();
    memcpySeconds += Seconds(copied - start);
    {
      const std::string fresh(bytes);
      benchmark::DoNotOptimize(fresh.data());
      freshSeconds += Seconds(Clock::now() - copied);
    }
    const double seconds = operation();
    operationSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  const auto iterations = static_cast<double>(state.iterations());
  const double total = static_cast<double>(bytes.size()) * iterations;
  state.SetBytesProcessed(static_cast<int64_t>(total));
  state.counters["archive_bytes"] = static_cast<double>(bytes.size());
  state.counters["memcpy_rate"] = benchmark::Counter(
      total / memcpySeconds, benchmark::Counter::kDefaults, benchmark::Counter::OneK::kIs1024);
  state.counters["x_memcpy"] = operationSeconds / memcpySeconds;
  state.counters["x_fresh_copy"] = operationSeconds / freshSeconds;
}

void BM_LoadFromString(benchmark::State& state) {
  const Archive& archive = ArchiveOf(state.range(0), state.range(1));
  AgainstCopies(state, archive, [&archive] {
    auto chunk = std::make_unique<TDIFFChunk>();
    const auto start = Clock::now();
    chunk->LoadFromString(archive.Bytes);
    const auto end = Clock::now();
    benchmark::DoNotOptimize(chunk->Chunks.data());
    chunk.reset();  // freeing the tree is not part of loading
    return Seconds(end - start);
  });
}

// The installer's own path: one read of the whole chunk from a stream, then the parse.
void BM_LoadFromStream(benchmark::State& state) {
  const Archive& archive = ArchiveOf(state.range(0), state.range(1));
  MemoryStream stream(archive.Bytes);
  AgainstCopies(state, archive, [&stream] {
    auto chunk = std::make_unique<TDIFFChunk>();
    stream.SetPosition(0);
    const auto start = Clock::now();
    chunk->LoadFromStream(stream);
    const auto end = Clock::now();
    benchmark::DoNotOptimize(chunk->Chunks.data());
    chunk.reset();
    return Seconds(end - start);
  });
}

void BM_SaveToString(benchmark::State& state) {
  const Archive& archive = ArchiveOf(state.range(0), state.range(1));
  AgainstCopies(state, archive, [&archive] {
    const auto start = Clock::now();
    std::string saved = archive.Root->SaveToString();
    const auto end = Clock::now();
    benchmark::DoNotOptimize(saved.data());
    return Seconds(end - start);
  });
}

// 36 records of 150 KB (about 5.4 MB) and 2,000 records of 32 KB (about 64 MB).
void Shapes(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"records", "bytes"})
      ->Args({36, 150 * 1024})
      ->Args({2000, 32 * 1024})
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LoadFromString)->Apply(Shapes);
BENCHMARK(BM_LoadFromStream)->Apply(Shapes);
BENCHMARK(BM_SaveToString)->Apply(Shapes);

}  // namespace
}  // namespace tolma

BENCHMARK_MAIN();

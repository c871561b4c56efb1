// Times loading and saving the example bank, parsing a few MB of item dumps, listing the item
// dumps of a .syx file of that size and building the dumps of a whole document, and the plain
// reads, writes, scans and copies of the same number of bytes they are judged against, then
// prints how far each operation is from its floor.
//
//   corvale-bench [--benchmark_filter=REGEX] [--benchmark_repetitions=N] [other --benchmark_ flags]
//
// Everything happens in a fresh folder under the system's temporary folder ($TMPDIR), which is
// removed at the end; the settings file the program reads is inside it too.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/ScratchFolder.h"
#include "demo/DemoBank.h"
#include "files/DefaultFiles.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "model/S2A_File.h"

namespace {

constexpr const char* kLoad = "S2A_Load";
constexpr const char* kReadFloor = "ReadFloor";
constexpr const char* kSave = "S2A_Save";
constexpr const char* kWriteFloor = "WriteFloor";
constexpr const char* kSafeWriteFloor = "WriteFsyncRenameFloor";
constexpr const char* kParse = "SYX_Parse";
constexpr const char* kScanFloor = "ScanFloor";
constexpr const char* kList = "SYX_ListItemDumps";
constexpr const char* kListReadFloor = "SYX_ReadFloor";
constexpr const char* kBuildDumps = "BuildDocumentDumps";
constexpr const char* kCopyFloor = "CopyImagesFloor";
// Copies of the document's dumps in the large .syx buffer (about 3 MB).
constexpr int kDumpCopies = 5;

// Prints like the console reporter and keeps each benchmark's real time per iteration, in
// seconds. With repetitions the median stands for the benchmark.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  using benchmark::ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& reports) override {
    for (const Run& run : reports) {
      if (run.error_occurred)
        continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
        continue;
      seconds_[run.run_name.function_name] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    benchmark::ConsoleReporter::ReportRuns(reports);
  }

  std::optional<double> Seconds(const std::string& name) const {
    const auto found = seconds_.find(name);
    if (found == seconds_.end())
      return std::nullopt;
    return found->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

std::string ErrorText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// The whole file, with one read.
std::vector<std::uint8_t> ReadWhole(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error)
    throw std::runtime_error("cannot get the size of " + path);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw std::runtime_error(ErrorText("open"));
  const ssize_t got = ::read(fd, bytes.data(), bytes.size());
  ::close(fd);
  if (got != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("short read");
  return bytes;
}

void SetBytes(benchmark::State& state, std::size_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(size));
}

void LoadBank(benchmark::State& state, S2A_File& document, const std::string& path,
              std::size_t size) {
  for (auto _ : state) {
    if (document.Load(path) != 0) {
      state.SkipWithError("S2A load failed");
      break;
    }
  }
  SetBytes(state, size);
}

void SaveBank(benchmark::State& state, S2A_File& document, const std::string& path,
              std::size_t size) {
  for (auto _ : state) {
    if (document.Save(path) != 0) {
      state.SkipWithError("S2A save failed");
      break;
    }
  }
  SetBytes(state, size);
}

// Open, one read of the whole file into a buffer, close.
void ReadFloor(benchmark::State& state, const std::string& path, std::size_t size) {
  std::vector<std::uint8_t> buffer(size);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      state.SkipWithError(ErrorText("open").c_str());
      break;
    }
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    if (got != static_cast<ssize_t>(size)) {
      state.SkipWithError("short read");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, size);
}

// Open (creating or truncating), one write of all the bytes, close.
void WriteFloor(benchmark::State& state, const std::string& path,
                const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      state.SkipWithError(ErrorText("open").c_str());
      break;
    }
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    const bool closed = ::close(fd) == 0;
    if (put != static_cast<ssize_t>(bytes.size()) || !closed) {
      state.SkipWithError("write failed");
      break;
    }
  }
  SetBytes(state, bytes.size());
}

// As a safe save does it: a new file beside the target, one write, fsync, close, rename over
// the target.
void SafeWriteFloor(benchmark::State& state, const std::string& tempPath,
                    const std::string& targetPath, const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      state.SkipWithError(ErrorText("open").c_str());
      break;
    }
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (put != static_cast<ssize_t>(bytes.size()) || !synced || !closed ||
        std::rename(tempPath.c_str(), targetPath.c_str()) != 0) {
      ::unlink(tempPath.c_str());
      state.SkipWithError("write, fsync or rename failed");
      break;
    }
  }
  SetBytes(state, bytes.size());
}

void ForEachItem(const S2A_File& document, const std::function<void(const Item&)>& visit) {
  document.ForEachBank([&](const Bank& bank) { bank.ForEachItem(visit); });
}

// The memory-form dumps of every item of the document, in bank-list order.
int AppendDocumentDumps(SYX_File& dumps, const S2A_File& document) {
  int failures = 0;
  ForEachItem(document, [&](const Item& item) { failures += dumps.AppendItemDump(item) != 0; });
  return failures;
}

void ParseDumps(benchmark::State& state, SYX_File& dumps) {
  for (auto _ : state) {
    dumps.ParseMessages();
    benchmark::DoNotOptimize(dumps.Memory().First());
  }
  SetBytes(state, dumps.Bytes().size());
}

// What listing a .syx file does short of printing: load it and find its item dumps.
void ListItemDumps(benchmark::State& state, const std::string& path, std::size_t size) {
  SYX_File dump;
  for (auto _ : state) {
    if (dump.Load(path) != 0) {
      state.SkipWithError(".syx load failed");
      break;
    }
    const ItemDumpList list = FindItemDumps(dump.Bytes());
    benchmark::DoNotOptimize(list.dumps.data());
  }
  SetBytes(state, size);
}

// One pass over the bytes that looks at each of them: the sum, and how many are status bytes.
void ScanFloor(benchmark::State& state, std::span<const std::uint8_t> bytes) {
  for (auto _ : state) {
    std::uint32_t sum = 0;
    std::uint32_t status = 0;
    for (const std::uint8_t byte : bytes) {
      sum += byte;
      status += byte >> 7;
    }
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(status);
  }
  SetBytes(state, bytes.size());
}

void BuildDumps(benchmark::State& state, const S2A_File& document, std::size_t dumpBytes) {
  SYX_File dumps;
  for (auto _ : state) {
    dumps.Reset();
    if (AppendDocumentDumps(dumps, document) != 0) {
      state.SkipWithError("building a dump failed");
      break;
    }
    benchmark::DoNotOptimize(dumps.Bytes().data());
  }
  SetBytes(state, dumpBytes);
}

// Copying every item image of the document into one buffer of the dumps' size.
void CopyImagesFloor(benchmark::State& state, const S2A_File& document, std::size_t dumpBytes) {
  std::vector<std::uint8_t> out(dumpBytes);
  for (auto _ : state) {
    auto at = out.begin();
    ForEachItem(document, [&](const Item& item) {
      at = std::copy(item.Data().begin(), item.Data().end(), at);
    });
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, dumpBytes);
}

void PrintRatio(const RecordingReporter& reporter, const char* label, const char* measured,
                const char* floor) {
  const std::optional<double> top = reporter.Seconds(measured);
  const std::optional<double> bottom = reporter.Seconds(floor);
  if (top && bottom && *bottom > 0) {
    std::printf("%-40s %.2f\n", label, *top / *bottom);
  } else {
    std::printf("%-40s n/a\n", label);
  }
}

void PrintSpeed(const RecordingReporter& reporter, const char* label, const char* measured,
                std::size_t bytes) {
  if (const std::optional<double> seconds = reporter.Seconds(measured); seconds && *seconds > 0)
    std::printf("%-40s %.1f MB/s\n", (std::string(label) + ":").c_str(), bytes / *seconds / 1e6);
}

int Run(int argc, char** argv) {
  DefaultFiles::Use();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;

  // The settings file lives in the scratch folder, so the user's own settings are never read.
  const ScratchFolder scratch;
  ::setenv("CORVALE_SETTINGS", scratch.File("settings.conf").c_str(), 1);

  S2A_File document;
  DemoBank::FillDocument(document);
  const std::string bankPath = scratch.File("demo.s2a");
  if (document.Save(bankPath) != 0) {
    std::fprintf(stderr, "corvale-bench: cannot save the example bank to %s\n", bankPath.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> bytes = ReadWhole(bankPath);
  const std::size_t size = bytes.size();
  std::printf("Example bank: %zu bytes, in %s\n", size, scratch.Path().c_str());

  S2A_File loaded;
  const std::string savePath = scratch.File("saved.s2a");
  const std::string floorPath = scratch.File("floor.bin");
  const std::string safeTemp = scratch.File(".floor-safe.bin.tmp");
  const std::string safeTarget = scratch.File("floor-safe.bin");

  SYX_File documentDumps;
  AppendDocumentDumps(documentDumps, document);
  const std::size_t dumpBytes = documentDumps.Bytes().size();
  SYX_File largeDumps;
  for (int copy = 0; copy < kDumpCopies; ++copy)
    largeDumps.AppendBytes(documentDumps.Bytes());
  const std::size_t largeSize = largeDumps.Bytes().size();
  std::printf("Dumps of the whole document: %zu bytes; parsed stream: %zu bytes\n", dumpBytes,
              largeSize);
  const std::string largeDumpPath = scratch.File("large.syx");
  if (largeDumps.Save(largeDumpPath) != 0) {
    std::fprintf(stderr, "corvale-bench: cannot save the item dumps to %s\n",
                 largeDumpPath.c_str());
    return 1;
  }

  const auto configure = [](benchmark::internal::Benchmark* bench) {
    bench->Unit(benchmark::kMicrosecond)->UseRealTime();
  };
  configure(benchmark::RegisterBenchmark(
      kLoad, [&](benchmark::State& state) { LoadBank(state, loaded, bankPath, size); }));
  configure(benchmark::RegisterBenchmark(
      kReadFloor, [&](benchmark::State& state) { ReadFloor(state, bankPath, size); }));
  configure(benchmark::RegisterBenchmark(
      kSave, [&](benchmark::State& state) { SaveBank(state, document, savePath, size); }));
  configure(benchmark::RegisterBenchmark(
      kWriteFloor, [&](benchmark::State& state) { WriteFloor(state, floorPath, bytes); }));
  configure(benchmark::RegisterBenchmark(kSafeWriteFloor, [&](benchmark::State& state) {
    SafeWriteFloor(state, safeTemp, safeTarget, bytes);
  }));

  configure(benchmark::RegisterBenchmark(
      kParse, [&](benchmark::State& state) { ParseDumps(state, largeDumps); }));
  configure(benchmark::RegisterBenchmark(
      kScanFloor, [&](benchmark::State& state) { ScanFloor(state, largeDumps.Bytes()); }));
  configure(benchmark::RegisterBenchmark(
      kList, [&](benchmark::State& state) { ListItemDumps(state, largeDumpPath, largeSize); }));
  configure(benchmark::RegisterBenchmark(kListReadFloor, [&](benchmark::State& state) {
    ReadFloor(state, largeDumpPath, largeSize);
  }));
  configure(benchmark::RegisterBenchmark(
      kBuildDumps, [&](benchmark::State& state) { BuildDumps(state, document, dumpBytes); }));
  configure(benchmark::RegisterBenchmark(
      kCopyFloor, [&](benchmark::State& state) { CopyImagesFloor(state, document, dumpBytes); }));

  RecordingReporter reporter(::isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_Defaults
                                                          : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::fflush(stdout);

  std::printf("\n");
  PrintRatio(reporter, "S2A load / read floor:", kLoad, kReadFloor);
  PrintRatio(reporter, "S2A save / write floor:", kSave, kWriteFloor);
  PrintRatio(reporter, "S2A save / write+fsync+rename floor:", kSave, kSafeWriteFloor);
  PrintRatio(reporter, ".syx parse / plain scan floor:", kParse, kScanFloor);
  PrintRatio(reporter, ".syx item dump listing / read floor:", kList, kListReadFloor);
  PrintRatio(reporter, "document dumps build / image copy floor:", kBuildDumps, kCopyFloor);
  PrintSpeed(reporter, ".syx parse", kParse, largeSize);
  PrintSpeed(reporter, "plain scan", kScanFloor, largeSize);
  PrintSpeed(reporter, ".syx item dump listing", kList, largeSize);
  PrintSpeed(reporter, "plain read of the .syx", kListReadFloor, largeSize);
  benchmark::Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunReportingFailure("corvale-bench", &Run, argc, argv);
}

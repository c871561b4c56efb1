// Times opening a .syx file of about 100 MB of item dumps as a document, and the same dumps as
// a .mid file, against a plain read of each file and against listing the .syx file's item
// dumps, and prints each as MB/s of the file.
//
//   corvale-bench-dumps [MB] [RUNS]     (defaults: 100 MB, the best of 3 runs)
//
// The files are made by our own code (the example bank's dumps, repeated) in a fresh folder
// under the system's temporary folder ($TMPDIR), removed at the end.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/ScratchFolder.h"
#include "demo/DemoBank.h"
#include "files/DefaultFiles.h"
#include "files/DocumentFiles.h"
#include "files/DumpFiles.h"
#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "model/S2A_File.h"

namespace {

// The whole file with plain reads into one buffer of its size.
std::size_t ReadFloor(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw std::runtime_error("cannot open " + path);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got =
        ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got <= 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  return done;
}

// The best time of `runs` runs, in seconds.
double Best(int runs, const std::function<void()>& body) {
  double best = 0;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    body();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (run == 0 || took.count() < best)
      best = took.count();
  }
  return best;
}

void Print(const char* label, std::size_t bytes, double seconds) {
  std::printf("%-44s %8.3f s %8.1f MB/s\n", label, seconds,
              static_cast<double>(bytes) / seconds / 1e6);
}

void Require(bool condition, const char* what) {
  if (!condition)
    throw std::runtime_error(what);
}

int Run(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  DefaultFiles::Use();
  const ScratchFolder scratch;
  ::setenv("CORVALE_SETTINGS", scratch.File("settings.conf").c_str(), 1);

  S2A_File document;
  DemoBank::FillDocument(document);
  const std::string one = scratch.File("one.syx");
  Require(SaveBankFile(document, one).PassOn().Succeeded(), "cannot save the example bank's dumps");
  SYX_File dumps;
  Require(dumps.Load(one) == 0, "cannot read the example bank's dumps");
  const std::vector<std::uint8_t> copy(dumps.Bytes().begin(), dumps.Bytes().end());
  while (dumps.Bytes().size() < megabytes * 1'000'000)
    Require(dumps.AppendBytes(copy) == 1, "the dump buffer cannot grow");
  const std::string syx = scratch.File("large.syx");
  const std::string mid = scratch.File("large.mid");
  Require(SaveDumpFile(dumps, syx).PassOn().Succeeded() &&
              SaveDumpFile(dumps, mid).PassOn().Succeeded(),
          "cannot save the large files");
  const std::size_t syxSize = dumps.Bytes().size();
  const std::size_t midSize = ReadFloor(mid);
  std::printf("%zu copies of the example bank's %zu dump bytes: .syx %zu bytes, .mid %zu bytes\n",
              syxSize / copy.size(), copy.size(), syxSize, midSize);

  std::size_t placed = 0;
  const auto open = [&](const std::string& path) {
    S2A_File opened;
    const BankFileLoad load = OpenBankFile(opened, path);
    Require(load.PassOn().Succeeded(), "the open failed");
    placed = load.report.placedDumps;
  };
  Print("plain read of the .syx", syxSize, Best(runs, [&] { ReadFloor(syx); }));
  Print(".syx item dump listing (load, find dumps)", syxSize, Best(runs, [&] {
          SYX_File file;
          Require(file.Load(syx) == 0, "the load failed");
          Require(!FindItemDumps(file.Bytes()).dumps.empty(), "no dumps found");
        }));
  Print(".syx opened as a document", syxSize, Best(runs, [&] { open(syx); }));
  std::printf("  (%zu dumps placed)\n", placed);
  Print("plain read of the .mid", midSize, Best(runs, [&] { ReadFloor(mid); }));
  Print(".mid read for its SysEx messages", midSize, Best(runs, [&] {
          SYX_File file;
          Require(LoadDumpFile(file, mid).PassOn().Succeeded(), "the .mid read failed");
        }));
  Print(".mid opened as a document", midSize, Best(runs, [&] { open(mid); }));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunReportingFailure("corvale-bench-dumps", &Run, argc, argv);
}

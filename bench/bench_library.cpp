// Figures of the library at scale: writes 10,000 files holding about 100,000 programs with our
// own generator (200 all-bank files, 200 .syx files of 10 item dumps, 9,600 .s2i files), then
// times a plain read of them, their addition to a new library (one change), the addition again
// (nothing new), the library's size on disk, and searches that narrow to a few hundred rows
// (count and first page) through the store (its FTS5 trigram index) and with plain LIKE.
//
//   corvale-bench-library [FILES]     (FILES: how many files, 10000 when not given)
//
// Everything happens in a fresh folder under $TMPDIR, removed at the end. Prints figures only.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/ScratchFolder.h"
#include "demo/DemoBank.h"
#include "files/S2I_File.h"
#include "library/LibraryAddition.h"
#include "library/LibraryStore.h"
#include "library/ProgramFile.h"
#include "library/SqliteConnection.h"
#include "midi/sysex/SYX_File.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBankFileShare = 50;  // one file in 50 an all-bank file
constexpr int kDumpsPerSyxFile = 10;
constexpr int kSearchRepeats = 20;
constexpr int kPageRows = 50;
constexpr const char* kNames[] = {"Warm Pad",  "Saw Lead",  "Fat Bass",  "Tine EP",   "Str Ens",
                                  "Brass Hit", "Choir Aah", "Pluck Gtr", "Bell Tree", "Sub Bass"};

double CpuSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The median time of `repeats` runs, in milliseconds.
double MedianMilliseconds(int repeats, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const Clock::time_point start = Clock::now();
    run();
    times.push_back(SecondsSince(start) * 1000);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void WriteBankFile(const std::string& path, std::uint32_t seed) {
  S2A_File document;
  DemoBank::FillDocument(document, seed);
  document.Save(path);
}

void WriteDumpFile(const std::string& path, std::uint32_t seed) {
  S2A_File document;
  DemoBank::FillDocument(document, seed);
  SYX_File dump;
  for (int slot = 0; slot < kDumpsPerSyxFile; ++slot)
    dump.AppendItemDump(*document.ExternalInstrumentBank().ItemAt(slot * 7));
  dump.Save(path);
}

void WriteItemFile(const std::string& path, int number) {
  S2I_File file;
  Item* item = file.GetItem(number % kItemKindCount);
  const std::string name =
      std::string(kNames[number % std::size(kNames)]).substr(0, 7) + std::to_string(number % 1000);
  DemoBank::FillItem(*item, name, 1 + number % 20, 100000u + static_cast<std::uint32_t>(number));
  file.Save(path);
}

// Files in folders of 100, as a collection of banks would be kept.
std::vector<std::string> WriteFiles(const std::string& root, int count) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    const std::string folder = root + "/set" + std::to_string(i / 100);
    std::filesystem::create_directories(folder);
    const std::string stem = folder + "/f" + std::to_string(i);
    if (i % kBankFileShare == 0) {
      paths.push_back(stem + ".s2a");
      WriteBankFile(paths.back(), static_cast<std::uint32_t>(i + 1));
    } else if (i % kBankFileShare == 1) {
      paths.push_back(stem + ".syx");
      WriteDumpFile(paths.back(), static_cast<std::uint32_t>(i + 5000));
    } else {
      paths.push_back(stem + ".s2i");
      WriteItemFile(paths.back(), i);
    }
  }
  return paths;
}

std::size_t ReadAll(const std::vector<std::string>& paths) {
  std::size_t programs = 0;
  for (const std::string& path : paths) {
    ProgramFile file;
    if (file.Load(path) == 0)
      programs += file.Programs().size();
  }
  return programs;
}

void TimeSearch(LibraryStore& store, const char* label, const ProgramFilter& filter) {
  std::int64_t count = 0;
  std::vector<ListedProgram> rows;
  const double ms = MedianMilliseconds(kSearchRepeats, [&] {
    store.CountPrograms(filter, count);
    store.FetchPrograms(filter, {.limit = kPageRows}, rows);
  });
  std::printf("  store (FTS5)  %-24s %7lld rows, count + first %d: %7.2f ms\n", label,
              static_cast<long long>(count), kPageRows, ms);
}

// The same search as plain LIKE over every row, for comparison.
void TimeLikeSearch(SqliteConnection& connection, const char* label, const char* where) {
  std::int64_t count = 0;
  const std::string from = std::string(" FROM programs p WHERE ") + where;
  const double ms = MedianMilliseconds(kSearchRepeats, [&] {
    SqliteStatement counting = connection.Prepare("SELECT count(*)" + from);
    count = counting.NextRow() ? counting.Int(0) : -1;
    SqliteStatement page =
        connection.Prepare("SELECT p.id, p.kind, p.name, p.category, p.added_at" + from +
                           " ORDER BY p.name COLLATE NOCASE, p.id LIMIT 50");
    while (page.NextRow()) {
    }
  });
  std::printf("  plain LIKE    %-24s %7lld rows, count + first %d: %7.2f ms\n", label,
              static_cast<long long>(count), kPageRows, ms);
}

std::uintmax_t LibraryBytes(const std::string& path) {
  std::uintmax_t total = 0;
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path + suffix, error);
    total += error ? 0 : size;
  }
  return total;
}

void MeasureSearches(const std::string& libraryPath) {
  std::string error;
  std::unique_ptr<LibraryStore> store = LibraryStore::Open(libraryPath, error);
  std::printf("Searches (median of %d):\n", kSearchRepeats);
  ProgramFilter filter;
  TimeSearch(*store, "(everything, by name)", filter);
  filter.text = "grand pno";
  TimeSearch(*store, "\"grand pno\"", filter);
  filter.text = "bass";
  filter.kind = ItemKind::Instrument;
  TimeSearch(*store, "\"bass\" instruments", filter);
  filter.kind.reset();
  filter.text = "kit perc";
  TimeSearch(*store, "\"kit perc\"", filter);
  filter.text = "pn";
  TimeSearch(*store, "\"pn\" (too short to index)", filter);

  SqliteConnection& connection = store->Connection();
  TimeLikeSearch(connection, "\"grand pno\"", "p.search LIKE '%grand%' AND p.search LIKE '%pno%'");
  TimeLikeSearch(connection, "\"bass\" instruments", "p.kind = 0 AND p.search LIKE '%bass%'");
  TimeLikeSearch(connection, "\"kit perc\"", "p.search LIKE '%kit%' AND p.search LIKE '%perc%'");
}

}  // namespace

int main(int argc, char** argv) {
  const int fileCount = argc > 1 ? std::atoi(argv[1]) : 10000;
  // --keep PATH: the library is copied there at the end, for corvale-bench-library-window.
  const std::string keep = argc > 3 && std::string(argv[2]) == "--keep" ? argv[3] : "";
  const ScratchFolder scratch;
  ::setenv("CORVALE_SETTINGS", scratch.File("settings.conf").c_str(), 1);
  const std::string root = scratch.File("banks");
  const std::string libraryPath = scratch.File("library.sqlite");

  Clock::time_point start = Clock::now();
  const std::vector<std::string> paths = WriteFiles(root, fileCount);
  std::printf("Wrote %d files in %.1f s\n", fileCount, SecondsSince(start));

  start = Clock::now();
  double cpu = CpuSeconds();
  const std::size_t programs = ReadAll(paths);
  const double readSeconds = SecondsSince(start);
  std::printf("Plain read: %zu programs in %.2f s, %.2f s CPU (%.0f files/s, %.0f programs/s)\n",
              programs, readSeconds, CpuSeconds() - cpu, fileCount / readSeconds,
              programs / readSeconds);

  std::string error;
  std::unique_ptr<LibraryStore> store = LibraryStore::Open(libraryPath, error);
  if (!store) {
    std::fprintf(stderr, "%s: %s\n", libraryPath.c_str(), error.c_str());
    return 1;
  }
  for (int round = 1; round <= 2; ++round) {
    LibraryAddition addition(*store);
    AdditionReport report;
    const std::vector<std::string> folder{root};
    start = Clock::now();
    cpu = CpuSeconds();
    if (addition.Add(folder, report) != 0) {
      std::fprintf(stderr, "addition failed: %s\n", addition.Error().c_str());
      return 1;
    }
    const double addSeconds = SecondsSince(start);
    std::printf(
        "Addition %d: %zu files, %zu new, %zu known in %.2f s, %.2f s CPU (%.0f programs/s; %.2f "
        "of the read rate)\n",
        round, report.filesRead, report.newPrograms, report.knownPrograms, addSeconds,
        CpuSeconds() - cpu, programs / addSeconds, readSeconds / addSeconds);
  }
  start = Clock::now();
  store->CheckIntegrity();
  std::printf("Integrity check (before each addition): %.2f s\n", SecondsSince(start));
  store.reset();
  std::printf("Library on disk: %.1f MB (%.0f bytes per program)\n",
              LibraryBytes(libraryPath) / 1e6,
              static_cast<double>(LibraryBytes(libraryPath)) / static_cast<double>(programs));
  MeasureSearches(libraryPath);
  if (!keep.empty()) {
    std::filesystem::copy_file(libraryPath, keep,
                               std::filesystem::copy_options::overwrite_existing);
    std::printf("Kept as %s\n", keep.c_str());
  }
  return 0;
}

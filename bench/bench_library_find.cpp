// `library find` and the Library window's deep pages over a large library (made by
// corvale-bench-library 10000 --keep PATH): the CPU time corvale-cli takes per printed row of
// `library find` for a word matching about 5,000 programs and one matching about half of them,
// and the time the window's table model takes to read its first page, a page at row 50,000
// reached page by page (as scrolling reaches it), and the same page reached at once (a jump).
//
//   corvale-bench-library-find LIBRARY [FEW MANY]
//
// FEW and MANY are the two words; with the generator's library "brass" matches 5,100 programs
// and "inst" 55,400 of 101,000. A word matching nothing is timed first, for the cost of the
// process and its query alone. Prints figures only.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/library/ProgramTableModel.h"
#include "library/LibraryStore.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kDepth = 50000;

struct FindRun {
  long rows = -1;
  double cpuSeconds = 0;
};

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Runs `corvale-cli library find WORD` as its own process, counting the lines it prints; its
// CPU time (user and system) from the kernel's account of it.
FindRun RunFind(const std::string& word) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0)
    return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    const char* const argv[] = {CORVALE_CLI, "library", "find", word.c_str(), nullptr};
    ::execv(CORVALE_CLI, const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  FindRun run;
  run.rows = 0;
  char buffer[65536];
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
    for (ssize_t i = 0; i < got; ++i)
      run.rows += buffer[i] == '\n';
  }
  ::close(pipeEnds[0]);
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return {};
  run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  return run;
}

void MeasureFind(const std::vector<std::string>& words) {
  std::printf("library find, CPU time of the process (best of 3):\n");
  for (const std::string& word : words) {
    FindRun best;
    for (int i = 0; i < 3; ++i) {
      const FindRun run = RunFind(word);
      if (run.rows < 0) {
        std::printf("  \"%s\": the tool failed\n", word.c_str());
        return;
      }
      if (i == 0 || run.cpuSeconds < best.cpuSeconds)
        best = run;
    }
    std::printf("  %-10s %7ld rows  %8.3f s  %6.1f us a row\n", ("\"" + word + "\"").c_str(),
                best.rows, best.cpuSeconds,
                best.rows > 0 ? best.cpuSeconds * 1e6 / static_cast<double>(best.rows) : 0.0);
  }
}

// The time reading `row` takes the model (its page, when the model has not read it yet).
double RowMilliseconds(const ProgramTableModel& model, int row) {
  const Clock::time_point start = Clock::now();
  model.index(row, 0).data();
  return Milliseconds(Clock::now() - start).count();
}

void MeasurePages(LibraryStore& store, const char* label, const ProgramFilter& filter) {
  ProgramTableModel model;
  model.setStore(&store);
  model.setFilter(filter);
  const int count = model.rowCount();
  const int depth = std::min(kDepth, count - ProgramTableModel::kPageSize);
  // The first page read once before, so that SQLite's cache holds what it reads.
  RowMilliseconds(model, 0);
  model.reload();
  const double first = RowMilliseconds(model, 0);
  const Clock::time_point start = Clock::now();
  for (int row = ProgramTableModel::kPageSize; row < depth; row += ProgramTableModel::kPageSize)
    model.index(row, 0).data();
  const double scrolled = Milliseconds(Clock::now() - start).count();
  const double deep = RowMilliseconds(model, depth);
  model.reload();
  const double jump = RowMilliseconds(model, depth);
  std::printf(
      "  %-28s %7d rows  first %7.2f ms  row %d: %7.2f ms after %d pages (%.0f ms), "
      "%7.2f ms at once\n",
      label, count, first, depth, deep, depth / ProgramTableModel::kPageSize, scrolled, jump);
}

void MeasureWindowPages(const std::string& libraryPath, const std::string& many) {
  std::string error;
  const std::unique_ptr<LibraryStore> store = LibraryStore::Open(libraryPath, error);
  if (!store) {
    std::printf("%s: %s\n", libraryPath.c_str(), error.c_str());
    return;
  }
  std::printf("Library window's table, a page of %d rows:\n", ProgramTableModel::kPageSize);
  ProgramFilter filter;
  MeasurePages(*store, "all, by name", filter);
  filter.sort = ProgramFilter::Sort::Category;
  filter.descending = true;
  MeasurePages(*store, "all, by category, descending", filter);
  filter = ProgramFilter();
  filter.text = many;
  MeasurePages(*store, ("\"" + many + "\", by name").c_str(), filter);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: corvale-bench-library-find LIBRARY [FEW MANY]\n");
    return 2;
  }
  setenv("CORVALE_LIBRARY", argv[1], 1);
  // A word that matches nothing gives the cost of the process and its query alone.
  const std::vector<std::string> words = {"xqzx", argc == 4 ? argv[2] : "brass",
                                          argc == 4 ? argv[3] : "inst"};
  MeasureFind(words);
  MeasureWindowPages(argv[1], words.back());
  return 0;
}

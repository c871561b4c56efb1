#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "midi/sysex/SysxAddress.h"

namespace test {

// How long a test waits for what it expects before it fails: long enough for a loaded machine
// (a passing test waits only as long as it needs).
inline constexpr int kPatienceMs = 30000;

// A receive's quiet time in tests whose answers come from a thread of the test's own: a loaded
// machine can hold that thread back for far longer than the built-in 25 ms (300 ms was seen to
// be too short beside a build). Answered receives end at their footer, so only unanswered ones
// wait this longer one.
inline constexpr int kPatientQuietMs = 1000;

// A bank transfer's summary ("Received 450 of 452 items; 31 needed a retry; not received: ...")
// without its retry count, which is given in `retries` (0 where the summary has none). Even
// past the patient quiet time a loaded machine may hold an answer back now and then, and the
// item is asked for again and arrives: a test holds the rest of the summary exact and the count
// as a least.
std::string WithoutRetryCount(const std::string& summary, int* retries = nullptr);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names of the files in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool Exists(const std::string& path);

// The banks of DemoBank::FillDocument saved in `dir` as demo.s2a, demo.s2v and demo.s2e, its
// first internal drum kit as demo.s2i, and the memory dump of its eighth external performance
// as demo.syx; false when a save failed.
bool WriteDemoFiles(const TempDir& dir);

// Points the settings at a new file (in `dir`) whose configuration folder is `configDir`
// (none when empty), and forgets the shared defaults so the next item or set reads them.
void UseConfiguration(const TempDir& dir, const std::string& configDir);
// A settings file without a configuration folder, and forgotten defaults.
void UseNoConfiguration(const TempDir& dir);

// One bulk dump message, built as every dump is built.
std::vector<std::uint8_t> BulkMessage(SysxAddress address, std::span<const std::uint8_t> data);

// Runs `body` in a child process and returns its exit status (or 128 + signal number).
int RunInChild(const std::function<int()>& body);

// Starts the program `arguments` name first, with those arguments, in a child process; its
// standard output and error go to the files named (an empty name leaves the stream as it is),
// and `asNobody` runs it as the user nobody when the test runs as root, whom file permissions
// do not stop. The child only opens, duplicates, drops root and execs: a test may start it while
// another thread holds the allocator's lock, and a child that allocated would wait for good.
pid_t StartProgram(const std::vector<std::string>& arguments, const std::string& out,
                   const std::string& err, bool asNobody = false);

// Waits for a child process: its exit status (or 128 + signal number). One that has not ended
// within five minutes is hung: it is killed (128 + SIGKILL), so that a hung child never holds the
// test, nor the output the test runner waits on, for good.
int WaitForChild(pid_t child);

}  // namespace test

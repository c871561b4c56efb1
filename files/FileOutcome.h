#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// What a load or a save through the file formats came to: whether it succeeded, and what the
// readers and writers said on the way, so that the caller tells it in its own words without
// catching this thread's file diagnostics itself.
struct FileOutcome {
  int status = -1;                // 0, or -1 on failure
  std::vector<std::string> said;  // each text once, in the order said

  bool Succeeded() const { return status == 0; }
  // What was said, joined by "; "; empty when nothing was.
  std::string Reason() const;
  // Hands what was said to this thread's diagnostics, as the readers and writers would have
  // (the command-line tool folds them into its error line; standard error by default).
  const FileOutcome& PassOn() const;
  // Runs `work` (0 or -1), keeping what this thread's file code says meanwhile.
  void Run(const std::function<int()>& work);
};

// A save: how many item bytes a dump file carries as their low seven bits (0 for the other
// formats; the document or item keeps the bytes).
struct FileSave : FileOutcome {
  std::size_t sevenBitBytes = 0;
};

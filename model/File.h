#pragma once

#include <optional>
#include <string>

#include "model/DLList.h"

class Bank;

// Base of every named, file-backed container. Load and Save return 0 on success, -1 on failure;
// given a path they first keep it as the file name, and without one they use the kept name.
class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  virtual ~File();

  virtual void Reset() {}
  virtual int Load(const std::optional<std::string>& path = std::nullopt);
  virtual int Save(const std::optional<std::string>& path = std::nullopt);
  virtual PDLList<Bank>* Banks() { return nullptr; }
  virtual void PrintListing();

  const std::optional<std::string>& FileName() const { return fileName_; }
  // The file name for messages and listings.
  std::string FileNameText() const { return fileName_.value_or(""); }
  void SetFileName(const std::optional<std::string>& path) { fileName_ = path; }

  // For the bank files: how many of the format's item records the last Load did not find whole
  // because the file ended before their last byte (their items keep what they held).
  int MissingItemRecords() const { return missingItemRecords_; }

 protected:
  void SetMissingItemRecords(int count) { missingItemRecords_ = count; }

  // The base step of every derived Load and Save: keeps the path when one is given; true when
  // the object then has a file name to work on.
  bool TakePath(const std::optional<std::string>& path);

 private:
  std::optional<std::string> fileName_;
  int missingItemRecords_ = 0;
};

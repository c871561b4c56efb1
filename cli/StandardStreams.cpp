#include "cli/StandardStreams.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/ExitStatus.h"
#include "cli/VerbSupport.h"
#include "files/FileFormat.h"

namespace {

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FileHandle OpenFile(const std::string& path, const char* mode) {
  return {std::fopen(path.c_str(), mode), &std::fclose};
}

// "s2a, s2v, ..., midnam", the values --format takes for a file.
std::string FormatWords() {
  std::string words;
  for (const FileFormat& format : FileFormats())
    words += (words.empty() ? "" : ", ") + std::string(format.extension);
  return words;
}

const FileFormat* FormatOfWord(const std::string& word) {
  return word.empty() || word.find('.') != std::string::npos ? nullptr : FileFormatOf("-." + word);
}

// Copies `from` to `to` whole; false with errno set when a read or write failed.
bool CopyStream(std::FILE* from, std::FILE* to) {
  char buffer[65536];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, from)) > 0) {
    if (std::fwrite(buffer, 1, count, to) != count)
      return false;
  }
  return std::ferror(from) == 0;
}

}  // namespace

StandardStreams::~StandardStreams() {
  std::error_code ignored;
  if (!folder_.empty())
    std::filesystem::remove_all(folder_, ignored);
}

int StandardStreams::TakeFormats(const std::vector<std::string>& values,
                                 std::span<const char* const> listings, std::string& listing) {
  for (const std::string& value : values) {
    if (const FileFormat* format = FormatOfWord(value)) {
      formats_.push_back(format);
      continue;
    }
    bool known = false;
    std::string others;
    for (const char* form : listings) {
      known = known || value == form;
      others += std::string(", ") + form;
    }
    if (!known) {
      return UsageError(std::string(verb_) + ": --format " + value + ": expected one of " +
                        FormatWords() + others);
    }
    listing = value;
  }
  if (formats_.size() > 2)
    return UsageError(std::string(verb_) + ": --format names at most two file formats");
  return kExitSuccess;
}

int StandardStreams::MakeFolder() {
  if (!folder_.empty())
    return kExitSuccess;
  std::error_code error;
  std::string pattern = (std::filesystem::temp_directory_path(error) / "corvale-cli.XXXXXX");
  if (error || mkdtemp(pattern.data()) == nullptr)
    return Failure(verb_, "no temporary folder for standard input or output: " +
                              std::string(std::strerror(error ? error.value() : errno)));
  folder_ = pattern;
  return kExitSuccess;
}

int StandardStreams::Substitute(std::string& path, const FileFormat* format, const char* stream) {
  if (format == nullptr) {
    return UsageError(std::string(verb_) + ": - for " + stream +
                      " needs --format saying what it holds (" + FormatWords() + ")");
  }
  if (const int status = MakeFolder(); status != kExitSuccess)
    return status;
  // "standard input" becomes "standard-input.s2a".
  std::string name = std::string(stream) + "." + format->extension;
  name[name.find(' ')] = '-';
  path = (folder_ / name).string();
  return kExitSuccess;
}

int StandardStreams::Input(std::string& path) {
  if (path != "-")
    return kExitSuccess;
  if (inputTaken_)
    return UsageError(std::string(verb_) + ": standard input (-) is read only once");
  inputTaken_ = true;
  if (const int status =
          Substitute(path, formats_.empty() ? nullptr : formats_.front(), "standard input");
      status != kExitSuccess) {
    return status;
  }
  const FileHandle file = OpenFile(path, "wb");
  errno = 0;
  if (!file || !CopyStream(stdin, file.get()) || std::fflush(file.get()) != 0)
    return Failure(verb_, "standard input could not be read: " + std::string(std::strerror(errno)));
  return kExitSuccess;
}

int StandardStreams::Output(std::string& path) {
  if (path != "-")
    return kExitSuccess;
  if (!output_.empty())
    return UsageError(std::string(verb_) + ": standard output (-) is written only once");
  if (const int status =
          Substitute(path, formats_.empty() ? nullptr : formats_.back(), "standard output");
      status != kExitSuccess) {
    return status;
  }
  output_ = path;
  return kExitSuccess;
}

int StandardStreams::Finish(int status) {
  // A verb that fails after writing (a bank transfer that lacks items) still gives what it wrote.
  std::error_code absent;
  if (output_.empty() || !std::filesystem::exists(output_, absent))
    return status;
  const FileHandle file = OpenFile(output_, "rb");
  errno = 0;
  const bool copied = file && CopyStream(file.get(), stdout);
  const int error = errno;
  // A write that failed is kept for main's one line about standard output.
  FlushOutput();
  if (!copied && OutputError() == 0)
    return Failure(verb_, output_ + ": " + std::strerror(error));
  return copied ? status : kExitFailure;
}

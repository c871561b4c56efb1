#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The path rules every file of the system goes through. A text beginning with the separator is
// absolute and kept as it is; any other text is resolved against the start-up directory, which
// is read once and kept for the rest of the run. These rules are the only place that knows the
// platform's path form.
class SmartFilename {
 public:
  static constexpr char kSeparator = '/';
  // Longest resolved path the system accepts; longer ones are refused when opened.
  static constexpr std::size_t kMaxPathLength = 2047;

  // Resolves `text` into the path; none gives an empty path.
  void SetPath(const std::optional<std::string>& text);
  const std::string& Path() const { return path_; }
  bool PathTooLong() const { return path_.size() > kMaxPathLength; }

  // The text after the last "." of the path, when that "." comes after the last separator.
  std::optional<std::string> Extension() const;
  // Replaces the extension by `ext` (or removes it with its "." when `ext` is none); a path
  // without an extension gets "." and `ext` appended.
  void SetExtension(const std::optional<std::string>& ext);
  // The path becomes `dir`, a separator when needed, and the old path's file-name part.
  void SetDirectory(const std::string& dir);

  static std::string Resolve(const std::string& text);
  // The process's current directory at the first call, kept for the rest of the run.
  static const std::string& StartupDirectory();
  // "dir/name" with exactly one separator between them.
  static std::string Join(const std::string& dir, const std::string& name);

 private:
  std::string path_;
};

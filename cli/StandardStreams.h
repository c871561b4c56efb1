#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

struct FileFormat;

// The "-" among a verb's file arguments. Standard input is read whole into a file of a folder
// of the run's own and standard output is written from one there, so that every format is read
// and written by its one reader and writer; --format says which format that is (the extension
// without its dot). With two file formats, the first is standard input's, the second standard
// output's.
class StandardStreams {
 public:
  explicit StandardStreams(const char* verb) : verb_(verb) {}
  ~StandardStreams();
  StandardStreams(const StandardStreams&) = delete;
  StandardStreams& operator=(const StandardStreams&) = delete;

  // Takes the values of --format: file formats, or one of `listings` (the forms of a verb's
  // output, such as tsv and json), whose last one goes to `listing`. 0, or the usage error's
  // status.
  int TakeFormats(const std::vector<std::string>& values, std::span<const char* const> listings,
                  std::string& listing);
  // Replaces "-" by the path of a file that holds standard input; any other path stays as it
  // is. 0, or the status of the usage error or failure.
  int Input(std::string& path);
  // Replaces "-" by the path of a file whose content goes to standard output in Finish.
  int Output(std::string& path);
  // Copies the file written for "-", when the verb wrote it, to standard output; the verb's
  // status, or the failure to copy.
  int Finish(int status);

 private:
  int Substitute(std::string& path, const FileFormat* format, const char* stream);
  int MakeFolder();

  const char* verb_;
  std::vector<const FileFormat*> formats_;
  std::filesystem::path folder_;
  bool inputTaken_ = false;
  std::string output_;
};

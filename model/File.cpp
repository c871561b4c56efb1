#include "model/File.h"

#include <cstdio>

File::~File() = default;

bool File::TakePath(const std::optional<std::string>& path) {
  if (path)
    SetFileName(path);
  return fileName_.has_value();
}

int File::Load(const std::optional<std::string>& path) {
  TakePath(path);
  return 0;
}

int File::Save(const std::optional<std::string>& path) {
  TakePath(path);
  return 0;
}

void File::PrintListing() {
  std::printf("File %s:\n\tNo information for base type.\n", FileNameText().c_str());
}

#include "files/FileExtension.h"

#include <algorithm>
#include <cctype>

bool HasExtension(const std::optional<std::string>& path,
                  const std::optional<std::string>& extension) {
  if (!path || !extension)
    return path.has_value();
  const std::size_t n = extension->size();
  if (n >= path->size())
    return false;
  if ((*path)[path->size() - n - 1] != '.')
    return false;
  return std::equal(
      extension->begin(), extension->end(), path->end() - n,
      [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

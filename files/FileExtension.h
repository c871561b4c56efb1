#pragma once

#include <optional>
#include <string>

// True when `path` ends in "." followed by `extension`, compared without regard to letter
// case, and the extension is shorter than the path. Without an extension: whether there is a
// path.
bool HasExtension(const std::optional<std::string>& path,
                  const std::optional<std::string>& extension);

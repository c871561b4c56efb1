#include "files/ItemImportReport.h"

#include <algorithm>
#include <cctype>

std::vector<std::string> ItemImportReport::Notes(const std::string& kindName) const {
  std::vector<std::string> notes;
  if (dumpsOfKind > 1) {
    std::string kind = kindName;
    std::transform(kind.begin(), kind.end(), kind.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    notes.push_back("holds " + std::to_string(dumpsOfKind) + " " + kind +
                    " dumps; the first is used");
  }
  if (missingBlocks > 0) {
    notes.push_back("lacks " + std::to_string(missingBlocks) + " of " +
                    std::to_string(totalBlocks) + " blocks; they become 0");
  }
  return notes;
}

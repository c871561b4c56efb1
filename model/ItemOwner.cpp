#include "model/ItemOwner.h"

namespace {
std::optional<std::string> CopyName(const char* name) {
  return name ? std::optional<std::string>(name) : std::nullopt;
}
}  // namespace

ItemOwner::ItemOwner(int msb, int lsb, const char* longName, const char* shortName)
    : msb_(msb), lsb_(lsb), longName_(CopyName(longName)), shortName_(CopyName(shortName)) {}

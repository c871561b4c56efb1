#include "model/DefaultSource.h"

#include <utility>

namespace {

struct InUse {
  std::recursive_mutex lock;
  std::unique_ptr<DefaultSource> source;
};

InUse& TheSourceInUse() {
  static InUse inUse;
  return inUse;
}

}  // namespace

std::unique_lock<std::recursive_mutex> DefaultSource::Hold() {
  return std::unique_lock(TheSourceInUse().lock);
}

DefaultSource* DefaultSource::Current() {
  const auto hold = Hold();
  return TheSourceInUse().source.get();
}

void DefaultSource::Replace(std::unique_ptr<DefaultSource> source) {
  const auto hold = Hold();
  TheSourceInUse().source = std::move(source);
}

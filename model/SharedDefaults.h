#pragma once

#include <memory>

#include "model/ItemKind.h"

class Item;
class S2A_File;

// Where the shared defaults come from. The model reads no files: whoever reads the default
// files hands a source in (the file layer's DefaultFiles, at the start of a program).
class DefaultSource {
 public:
  virtual ~DefaultSource() = default;
  // Fills `item`, all zeros and of its kind, from the kind's default; leaves it as it is when
  // there is none.
  virtual void FillItem(Item& item) = 0;
  // Fills `set` from the default set; false when there is none and it stays as it is.
  virtual bool FillSet(S2A_File& set) = 0;
  // Drops whatever the source remembered, so that the next fill reads afresh.
  virtual void Forget() {}
};

// The shared default item of each kind and the shared default set. Every new item and every
// new set starts as a copy of these. Each is filled from the source the first time it is
// needed, and kept for the rest of the run; without a source, every default is all zeros.
class SharedDefaults {
 public:
  static const Item& DefaultItem(ItemKind kind);
  static const S2A_File& DefaultSet();

  // From now on the defaults come from `source` (none: all zeros); those made before are
  // dropped.
  static void Use(std::unique_ptr<DefaultSource> source);
  // Drops the defaults and what the source remembered, so that the next use reads them afresh
  // (a changed configuration, or a test that needs a clean run).
  static void Forget();

 private:
  friend class S2A_File;
  static bool FillSet(S2A_File& set);
};

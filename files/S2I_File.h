#pragma once

#include <memory>

#include "model/File.h"
#include "model/Item.h"

// The S2I file: a single item (instrument, percussion voice or performance), held between
// reading and writing. Also the form in which a cut or copied item is kept.
class S2I_File : public File {
 public:
  static constexpr int kAnyKind = 255;

  S2I_File();
  ~S2I_File() override;

  int Load(const std::optional<std::string>& path = std::nullopt) override;
  int Save(const std::optional<std::string>& path = std::nullopt) override;
  void PrintListing() override;

  // The held item. `kAnyKind` returns it as it is (possibly none); the code of another kind
  // replaces it by a new default item of that kind; an unknown code keeps it.
  Item* GetItem(int kindCode);
  // Holds a new copy of `item`, replacing the held one.
  void SetItem(const Item& item);

 private:
  std::unique_ptr<Item> item_;
};

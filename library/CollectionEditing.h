#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class Item;
class LibraryStore;

// What a change of collections is about to replace, kept so that Restore puts it back: the
// collection rows it touches with every entry in its place, and the programs it deletes.
struct CollectionSnapshot {
  struct Collection {
    std::int64_t id = 0;
    std::int64_t parentId = 0;  // 0 at the top
    int kind = 0;
    std::string name;
    std::string path;
    std::string addedAt;
    struct Entry {
      std::int64_t position = 0;
      std::int64_t programId = 0;
      std::string bank;
      int slot = -1;
      bool dropped = false;
    };
    std::vector<Entry> entries;
  };
  // A program no collection and no place held any more, with its image.
  struct Program {
    std::int64_t id = 0;
    int kind = 0;
    std::string name;
    std::string category;
    std::string search;
    std::vector<std::uint8_t> imageFingerprint;
    std::vector<std::uint8_t> soundFingerprint;
    std::string addedAt;
    std::vector<std::uint8_t> image;
  };
  std::vector<Collection> collections;
  std::vector<Program> programs;
  // Programs the change stored anew: putting the change back deletes each one nothing holds.
  std::vector<std::int64_t> addedPrograms;
};

// The changes the Library window makes to collections, each one transaction of the store, each
// recording first what it replaces. Every method returns 0, or -1 with LastError saying why.
class CollectionEditing {
 public:
  explicit CollectionEditing(LibraryStore& store) : store_(store) {}

  int Rename(std::int64_t collectionId, const std::string& name, CollectionSnapshot& before);
  // The programs leave the collection; one that no other collection, no place, no tag and no
  // favourite mark holds leaves the library too.
  int RemovePrograms(std::int64_t collectionId, std::span<const std::int64_t> programIds,
                     CollectionSnapshot& before);
  // The programs of `items` join the end of the collection, each stored unless the library holds
  // it already.
  int AppendPrograms(std::int64_t collectionId, std::span<const Item* const> items,
                     CollectionSnapshot& before);
  // The collection and those under it go; their programs stay.
  int Delete(std::int64_t collectionId, CollectionSnapshot& before);
  // Puts back what `before` recorded, as it was: the collections with their entries in their
  // places, the programs deleted, and no program the change added.
  int Restore(const CollectionSnapshot& before);

  const std::string& LastError() const { return error_; }

 private:
  int Fail(const std::string& what);
  // Starts the change, recording the collection (and with `under` those under it) first.
  int Begin(std::int64_t collectionId, bool under, CollectionSnapshot& before);
  // Records the collection and, with `under`, every collection under it.
  int Record(std::int64_t collectionId, bool under, CollectionSnapshot& before);
  int RecordProgram(std::int64_t programId, CollectionSnapshot& before);
  int DeleteProgramIfUnheld(std::int64_t programId, CollectionSnapshot& before);
  int Finish(int result);

  LibraryStore& store_;
  std::string error_;
};

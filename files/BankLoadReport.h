#pragma once

#include <cstddef>
#include <string>

// What a load of a bank file or a dump file into a document found. A bank file that ends before
// its last item record still loads, as does a dump file with at least one item dump to a memory
// location.
struct BankLoadReport {
  // The item records the file ended before: those slots keep the defaults on Open, or what the
  // document held on Merge.
  int missingItems = 0;
  // Of a dump file: the item dumps put into the slot their header names, those to an edit
  // buffer or to a location no bank uses (placed nowhere), those lacking blocks (read as 0; a
  // dump without any is not placed), the messages skipped as not item dumps of this synthesizer
  // or for a bad checksum, and the parts of a .mid file skipped as damaged.
  std::size_t placedDumps = 0;
  std::size_t editBufferDumps = 0;
  std::size_t unknownLocationDumps = 0;
  std::size_t incompleteDumps = 0;
  std::size_t skippedMessages = 0;
  std::size_t damagedMidiParts = 0;
  // Dumps to a slot a later dump of the file filled again: the later one is what the slot holds.
  std::size_t replacedDumps = 0;
  // Of a .mid file: its other events (notes, controllers, meta events), which a document does not
  // keep.
  std::size_t otherMidiEvents = 0;

  // What a save of the document to the same file would not write again: every dump and message
  // it did not place, and the other events of a .mid.
  std::size_t NotKept() const {
    return editBufferDumps + unknownLocationDumps + skippedMessages + damagedMidiParts +
           otherMidiEvents + replacedDumps;
  }

  // What the window shows after the file's name, the parts joined by "; ": "ends early: 376
  // items missing", "2 dumps to an edit buffer placed nowhere", "3 messages skipped (not item
  // dumps or a bad checksum)"; empty when the file held every item and nothing was left out.
  std::string Warning() const;
};

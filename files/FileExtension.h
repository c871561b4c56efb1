#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class S2A_File;
class S2I_File;
class SYX_File;
struct BankLayout;
namespace StandardMidiFile {
struct ReadCounts;
}

// True when `path` ends in "." followed by `extension`, compared without regard to letter
// case, and the extension is shorter than the path. Without an extension: whether there is a
// path.
bool HasExtension(const std::optional<std::string>& path,
                  const std::optional<std::string>& extension);

// .s2a, .s2v or .s2e.
bool IsBankFile(const std::string& path);
// .syx, or .mid for a Standard MIDI File carrying SysEx messages: item dumps, one or many.
bool IsDumpFile(const std::string& path);
// .s2i or a dump file: what ImportItemFile and ExportItemFile take.
bool IsItemFile(const std::string& path);
// .ins or .midnam: what a document exports for a sequencer.
bool IsSupportingFile(const std::string& path);
// A bank file or a dump file: what OpenBankFile and MergeBankFile take.
bool OpensAsDocument(const std::string& path);
// Whether a dump file holds an item dump to a memory location, so that it opens as a document,
// rather than only programs for an edit buffer. False for a file that cannot be read.
bool DumpFileFillsSlots(const std::string& path);
// What a dump file holds that its document would not keep (BankLoadReport::NotKept); 0 for
// any other file, and for one that cannot be read.
std::size_t DumpFileContentNotKept(const std::string& path);
// Whether a bank file of this extension holds the bank: an .s2v file the four voice banks, an
// .s2e file the three external banks, an .s2a file (or any other path) all six.
bool BankFileHolds(const std::string& bankFilePath, const BankLayout& bank);

// Loading and saving by file extension. Each returns 0 on success and -1 on failure (an
// absent path or an unknown extension fails without a message); the readers and writers
// print their own messages. A load that fails leaves the document or item as it was.

// What a load found. A bank file that ends before its last item record still loads (0), as does
// a dump file with at least one item dump to a memory location.
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
};

// Makes the document a fresh one (a copy of the default set, nothing of what it held) and loads
// the file into it: .s2a everything the file holds; .s2v the four voice banks; .s2e the three
// external banks; .syx and .mid the items of their dumps to memory locations, each into its
// slot. `report`, when given, is filled on success and cleared otherwise. A dump file without
// a dump to a memory location fails; its report then says what it held instead.
int OpenBankFile(S2A_File& document, const std::optional<std::string>& path,
                 BankLoadReport* report = nullptr);
// Loads the file into the document as it is: what the file holds replaces the matching part, all
// else stays (.s2v keeps the performances, .s2e the internal banks, a dump file every slot its
// dumps do not name).
int MergeBankFile(S2A_File& document, const std::optional<std::string>& path,
                  BankLoadReport* report = nullptr);
// What the window shows after the file's name, the parts joined by "; ": "ends early: 376 items
// missing", "2 dumps to an edit buffer placed nowhere", "3 messages skipped (not item dumps or
// a bad checksum)"; empty when the file held every item and nothing was left out.
std::string BankLoadWarning(const BankLoadReport& report);
// .s2a, .s2v, .s2e, .ins for the instrument definition, .midnam for the MIDI name document, or
// a dump file: every item of the
// document as a dump to its memory location, bank by bank in the document's bank order, slot
// by slot (only the items travel; the system, channel, plug-in voice and CLP blocks of an .s2a
// file have no place in a dump file, and an item byte of 80 or more goes out as its low seven
// bits).
int SaveBankFile(S2A_File& document, const std::optional<std::string>& path);
// As above; `sevenBitBytes` receives how many item bytes a dump file carries as their low seven
// bits (0 for the other formats).
int SaveBankFile(S2A_File& document, const std::optional<std::string>& path,
                 std::size_t& sevenBitBytes);

// Reads a .syx file, or the SysEx messages of a .mid file, into `dump` (named after the file);
// `damaged`, when given, receives what a .mid file had damaged (cleared for .syx). A file that
// cannot be read, or a .mid file that is not a Standard MIDI File, fails after one diagnostic
// and leaves the dump as it was.
int LoadDumpFile(SYX_File& dump, const std::string& path,
                 StandardMidiFile::ReadCounts* damaged = nullptr);
// Writes the dump's bytes to a .syx file, or its complete messages to a .mid file.
int SaveDumpFile(const SYX_File& dump, const std::string& path);

// What an item import found in a .syx or .mid file.
struct ItemImportReport {
  std::size_t itemDumps = 0;    // item dumps whose header names a known location
  std::size_t dumpsOfKind = 0;  // those of the held item's kind
  int missingBlocks = 0;        // of the item taken: its blocks that did not arrive (became 0)
  int totalBlocks = 0;          // of the item taken: its blocks
};
// .s2i replaces the held item by the file's. A dump file fills the held item (which must exist: it
// gives the kind) from the first item dump of that kind, whatever its location (memory or edit
// buffer); a file with item dumps but none of that kind fails (the report tells so). A file
// without any item dump is read as bulk data for the held kind. Either way the import fails
// when none of the item's blocks arrived. `report`, when given, is filled for dump files (also
// when the import fails) and cleared otherwise.
int ImportItemFile(S2I_File& item, const std::optional<std::string>& path,
                   ItemImportReport* report = nullptr);
// What a successful import should tell, for an item of the kind named `kindName`: "holds 2
// instrument dumps; the first is used", "lacks 3 of 32 blocks; they become 0". Each is said
// after the file's name.
std::vector<std::string> ItemImportNotes(const ItemImportReport& report,
                                         const std::string& kindName);
// A single item from a loaded .syx file, whatever the kind: the item of the file's first item
// dump whose header names a known location; in a file without one, the bulk data for the held
// item's blocks. 0 on success; -1 leaves the item unchanged. `dumpCount` is set to the number of
// item dumps in the file when the item came from the first of them, and to 0 otherwise.
int ImportFirstItemDump(S2I_File& item, SYX_File& dump, std::size_t& dumpCount);
// .s2i, or a dump file as a dump to the edit buffer of the item's kind (.mid: one SysEx event).
int ExportItemFile(S2I_File& item, const std::optional<std::string>& path);
// As above; `sevenBitBytes` receives how many of the item's bytes a .syx dump carries as their
// low seven bits (bytes of 80 or more; the item itself keeps them), 0 for .s2i.
int ExportItemFile(S2I_File& item, const std::optional<std::string>& path,
                   std::size_t& sevenBitBytes);

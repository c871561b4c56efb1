#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

class File;
class S2A_File;
class S2I_File;
class SYX_File;
struct BankLayout;
struct BankLoadReport;
struct ItemImportReport;
namespace StandardMidiFile {
struct ReadCounts;
}

// True when `path` ends in "." followed by `extension`, compared without regard to letter
// case, and the extension is shorter than the path. Without an extension: whether there is a
// path.
bool HasExtension(const std::optional<std::string>& path,
                  const std::optional<std::string>& extension);

// What a file of one format holds.
enum class FileContent {
  Banks,       // banks of the synthesizer's memory (.s2a all six, .s2v and .s2e some)
  Item,        // one item (.s2i)
  Dumps,       // SysEx messages, item dumps among them (.syx, and a .mid file's SysEx events)
  Supporting,  // the names of a document's programs for a sequencer, written only
};

// One file format, known by the extension of a file's name: what it holds, and how it is read
// and written. A format lacks the readers and writers of what it does not hold (none). Each
// returns 0, or -1 after the diagnostics that say why; a reader that fails may have read part
// of the file into what it was given.
struct FileFormat {
  const char* extension;  // without its dot
  FileContent content;
  const char* name;  // as a listing names the file
  // A bank file's or an .s2i file's own class, which loads the file whole and lists it.
  std::unique_ptr<File> (*container)() = nullptr;
  // Of a bank file: the flag of BankLayout that tells the banks it holds; none for all six.
  bool BankLayout::*holds = nullptr;
  // The banks a bank file of some of them holds, and the others, as the user knows them.
  const char* heldBanks = "";
  const char* otherBanks = "";

  // The banks or dumps of the file read over `working`'s (a bank file's items as far as the file
  // goes); `found` says what was read and left out.
  int (*readDocument)(S2A_File& working, const std::string& path, BankLoadReport& found) = nullptr;
  // What the format holds of `document` written to the file (an .s2a file's name becomes the
  // document's); `sevenBitBytes` receives how many item bytes went out as their low seven bits.
  int (*writeDocument)(S2A_File& document, const std::string& path,
                       std::size_t& sevenBitBytes) = nullptr;
  // A single item read into `item`, whose held item gives the kind a dump file's is taken of.
  int (*readItem)(S2I_File& item, const std::string& path, ItemImportReport& found) = nullptr;
  int (*writeItem)(S2I_File& item, const std::string& path, std::size_t& sevenBitBytes) = nullptr;
  // The SysEx messages of a dump file, as they are; `midi` receives what a .mid file held
  // besides them (cleared for .syx). A failed read leaves `messages` as it was.
  int (*readMessages)(SYX_File& messages, const std::string& path,
                      StandardMidiFile::ReadCounts& midi) = nullptr;
  int (*writeMessages)(const SYX_File& messages, const std::string& path) = nullptr;

  bool HoldsBanks() const { return content == FileContent::Banks; }
  bool HoldsDumps() const { return content == FileContent::Dumps; }
  bool IsSupporting() const { return content == FileContent::Supporting; }
  // What Open and Merge take: a bank file or a dump file.
  bool OpensAsDocument() const { return readDocument != nullptr; }
  // What Save takes: a bank file, a dump file or a supporting file.
  bool SavesDocument() const { return writeDocument != nullptr; }
  // What item import and export take: an .s2i file or a dump file.
  bool HoldsItem() const { return readItem != nullptr; }
  // Every format that is read, in some way.
  bool IsReadable() const { return content != FileContent::Supporting; }
  // Whether the format holds the bank: every bank but for .s2v and .s2e.
  bool HoldsBank(const BankLayout& bank) const;
};

// Every format, in the order the user's texts name them.
std::span<const FileFormat> FileFormats();
// The format of a path's extension, in any case; none for any other path.
const FileFormat* FileFormatOf(const std::optional<std::string>& path);

// The format of the path, by what it holds. False for a path of no format.
bool IsBankFile(const std::string& path);
// .syx, or .mid for a Standard MIDI File carrying SysEx messages: item dumps, one or many.
bool IsDumpFile(const std::string& path);
// .s2i or a dump file.
bool IsItemFile(const std::string& path);
// .ins or .midnam: what a document exports for a sequencer.
bool IsSupportingFile(const std::string& path);
// A bank file or a dump file.
bool OpensAsDocument(const std::string& path);
// Whether a bank file of this extension holds the bank: an .s2v file the four voice banks, an
// .s2e file the three external banks, an .s2a file (or any other path) all six.
bool BankFileHolds(const std::string& bankFilePath, const BankLayout& bank);

// The extensions of the formats `picked` holds true for, in order, as the user's texts list
// them: ".s2a, .s2v or .s2e".
std::string ExtensionList(bool (FileFormat::*picked)() const);

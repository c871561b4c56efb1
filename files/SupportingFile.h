#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "midi/sysex/SmartBuffer.h"
#include "model/File.h"

class Bank;
class Item;
class S2A_File;

// A file a document exports for a sequencer (the Cakewalk .ins, the MIDI name document
// .midnam): a text built from the document, written only. The derived files say the same
// banks and programs under the same names, from the texts kept here.
class SupportingFile : public File {
 public:
  // A MIDI controller the synthesizer answers to, as both files name it.
  struct Controller {
    int number;
    const char* name;
  };
  static std::span<const Controller> Controllers();

  // A base name holds at most this many bytes.
  static constexpr std::size_t kBaseNameLimit = 63;

  void Reset() override { text_.Clear(); }
  // Always fails: these files are written only.
  int Load(const std::optional<std::string>& path = std::nullopt) override;
  // Writes the text through the safe save: 0, or -1 after one line on standard error.
  int Save(const std::optional<std::string>& path = std::nullopt) override;
  void PrintListing() override {}

  // The file name without its folder and its last extension, cut to kBaseNameLimit bytes
  // without splitting a UTF-8 sequence; "Unknown" without a file name.
  std::string BaseName() const;
  const SmartBuffer& Text() const { return text_; }

 protected:
  static constexpr const char* kAuthor = "Corvale, the S80 bank editor and librarian, 2026";
  static constexpr const char* kMaker = "Yamaha";
  static constexpr const char* kModel = "S80";
  static constexpr const char* kControllerListTitle = "Yamaha S80 Controllers";

  SupportingFile() = default;

  // The banks that are written: those that hold content, in the document's bank-list order.
  static void ForEachBankWithContent(const S2A_File& document,
                                     const std::function<void(const Bank&)>& visit);
  // "Yamaha S80 - <base>".
  static std::string InstrumentTitle(const std::string& baseName);
  // "Yamaha S80 - <base> - Internal Instrument": the name of one bank's list of programs.
  static std::string PatchListTitle(const std::string& baseName, const Bank& bank);
  // "Perf:  Rock Lead [Ld]": `name` (the item's name, or a form of it) right-aligned in ten
  // columns, then the category; "Perf: " before it for a performance.
  static std::string PatchName(const Item& item, const std::string& name);

  SmartBuffer text_;
};

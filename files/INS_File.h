#pragma once

#include <string>

#include "midi/sysex/SmartBuffer.h"
#include "model/File.h"

class S2A_File;

// A Cakewalk instrument definition (.ins): the patch names of every bank of a document that
// holds content, the synthesizer's controller names, and the bank-select number of each bank,
// for a sequencer. Written only; lines end in CR LF.
class INS_File : public File {
 public:
  INS_File() = default;

  void Reset() override { text_.Clear(); }
  int Load(const std::optional<std::string>& path = std::nullopt) override;
  // Writes the text through the safe save: 0, or -1 after one line on standard error.
  int Save(const std::optional<std::string>& path = std::nullopt) override;
  void PrintListing() override {}

  void BuildInstrumentDefinition(const S2A_File& document);
  // The file name without its folder and its last extension (SupportingFileBaseName).
  std::string BaseName() const;
  const SmartBuffer& Text() const { return text_; }

 private:
  void AppendHeader();
  void AppendPatchNames(const Bank& bank, const std::string& baseName);
  void AppendFixedBlock(const std::string& baseName);
  void AppendLine(const char* text);

  SmartBuffer text_;
};

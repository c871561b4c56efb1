#pragma once

#include <string>

#include "files/SupportingFile.h"

class S2A_File;

// A Cakewalk instrument definition (.ins): the patch names of every bank of a document that
// holds content, the synthesizer's controller names, and the bank-select number of each bank,
// for a sequencer. Written only; lines end in CR LF. Each patch has one line: a control byte
// (0x00-0x1F, 0x7F) in a program's name or the file's base name is written as '?'.
class INS_File : public SupportingFile {
 public:
  INS_File() = default;

  void BuildInstrumentDefinition(const S2A_File& document);

 private:
  void AppendHeader();
  void AppendPatchNames(const Bank& bank, const std::string& baseName);
  void AppendFixedBlock(const std::string& baseName);
  void AppendLine(const char* text);
};

#pragma once

#include <string>
#include <string_view>

#include "files/SupportingFile.h"

class Bank;
class Item;
class S2A_File;

// A MIDI name document (.midnam, the MIDI Manufacturers Association's XML format, read by DAWs
// such as Ardour): one device whose model names the document, the banks of programs the .ins
// names, each under its own short name with its bank-select messages, for all 16 channels, and
// the controllers the .ins names. Written only; UTF-8, lines end in LF.
//
// A program's name is written as a person reads it, without the blanks that pad it, with its
// category after it ("Grand Pno [Pf]"); its bytes outside printable ASCII as corvale-cli lists
// them ("\xHH"), so that no name can make the XML ill-formed. In the base name of the file,
// which the user typed, UTF-8 characters stay; any other byte outside printable ASCII becomes
// U+FFFD.
class MIDNAM_File : public SupportingFile {
 public:
  MIDNAM_File() = default;

  void BuildNameDocument(const S2A_File& document);
  // "S80 - <base>": a DAW keys its devices by model, so each document is a model of its own and
  // several can be loaded side by side.
  std::string ModelName() const;

  // "Grand Pno [Pf]": the item's printable name without blanks at its ends ("(no name)" when
  // nothing is left), then its category.
  static std::string ReadableName(const Item& item);

  // `text` for XML character data or a quoted attribute value: & < > " ' as references, UTF-8
  // sequences as they are, every other byte outside printable ASCII as U+FFFD.
  static std::string Escaped(std::string_view text);

 private:
  void AppendDeviceMode(bool assignNameSet);
  void AppendChannelNameSet(const S2A_File& document);
  void AppendPatchBank(const Bank& bank);
  void AppendControlNameList();
};

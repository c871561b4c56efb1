#include "files/MIDNAM_File.h"

#include "model/S2A_File.h"

namespace {

constexpr const char* kDocumentHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE MIDINameDocument PUBLIC \"-//MIDI Manufacturers Association//DTD MIDINameDocument "
    "1.0//EN\" \"http://www.midi.org/dtds/MIDINameDocument10.dtd\">\n"
    "<MIDINameDocument>\n";
constexpr const char* kDeviceModeName = "Default";
constexpr const char* kNameSetName = "Banks";
constexpr const char* kControlListName = "Controls";
constexpr const char* kNoName = "(no name)";
constexpr int kChannels = 16;
constexpr int kBankSelectMsbControl = 0;
constexpr int kBankSelectLsbControl = 32;
constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence of two to four bytes that starts `text` and
// encodes a character XML allows, or 0.
std::size_t Utf8CharacterLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;   // the range of the second byte, narrower where it must exclude
  unsigned char high = 0xBF;  // overlong forms, surrogates and code points past U+10FFFF
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : low;
    high = lead == 0xED ? 0x9F : high;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : low;
    high = lead == 0xF4 ? 0x8F : high;
  }
  if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high)
    return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80)
      return 0;
  }
  const std::string_view first = text.substr(0, length);
  if (first == "\xEF\xBF\xBE" || first == "\xEF\xBF\xBF")  // U+FFFE and U+FFFF
    return 0;
  return length;
}

// `text` without the blanks at its ends.
std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string MIDNAM_File::ModelName() const {
  return std::string(kModel) + " - " + BaseName();
}

std::string MIDNAM_File::ReadableName(const Item& item) {
  const std::string printable = item.PrintableName();
  const std::string_view name = Trimmed(printable);
  return std::string(name.empty() ? kNoName : name) + " [" + item.CategoryName() + "]";
}

std::string MIDNAM_File::Escaped(std::string_view text) {
  std::string escaped;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (c == '&') {
      escaped += "&amp;";
    } else if (c == '<') {
      escaped += "&lt;";
    } else if (c == '>') {
      escaped += "&gt;";
    } else if (c == '"') {
      escaped += "&quot;";
    } else if (c == '\'') {
      escaped += "&apos;";
    } else if (c >= 0x20 && c <= 0x7E) {
      escaped += c;
    } else if (const std::size_t length = Utf8CharacterLength(text.substr(at)); length > 0) {
      escaped += text.substr(at, length);
      at += length;
      continue;
    } else {
      escaped += kReplacementCharacter;
    }
    ++at;
  }
  return escaped;
}

void MIDNAM_File::BuildNameDocument(const S2A_File& document) {
  Reset();
  text_.AppendFormat("%s  <Author>%s</Author>\n", kDocumentHead, Escaped(kAuthor).c_str());
  text_.AppendFormat("  <MasterDeviceNames>\n    <Manufacturer>%s</Manufacturer>\n", kMaker);
  text_.AppendFormat("    <Model>%s</Model>\n", Escaped(ModelName()).c_str());
  bool anyBank = false;
  ForEachBankWithContent(document, [&](const Bank&) { anyBank = true; });
  AppendDeviceMode(anyBank);
  if (anyBank)
    AppendChannelNameSet(document);
  AppendControlNameList();
  text_.AppendFormat("  </MasterDeviceNames>\n</MIDINameDocument>\n");
}

void MIDNAM_File::AppendDeviceMode(bool assignNameSet) {
  text_.AppendFormat("    <CustomDeviceMode Name=\"%s\">\n", kDeviceModeName);
  if (assignNameSet) {
    text_.AppendFormat("      <ChannelNameSetAssignments>\n");
    for (int channel = 1; channel <= kChannels; ++channel) {
      text_.AppendFormat("        <ChannelNameSetAssign Channel=\"%d\" NameSet=\"%s\"/>\n", channel,
                         kNameSetName);
    }
    text_.AppendFormat("      </ChannelNameSetAssignments>\n");
  }
  text_.AppendFormat("    </CustomDeviceMode>\n");
}

void MIDNAM_File::AppendChannelNameSet(const S2A_File& document) {
  text_.AppendFormat("    <ChannelNameSet Name=\"%s\">\n      <AvailableForChannels>\n",
                     kNameSetName);
  for (int channel = 1; channel <= kChannels; ++channel)
    text_.AppendFormat("        <AvailableChannel Channel=\"%d\" Available=\"true\"/>\n", channel);
  text_.AppendFormat("      </AvailableForChannels>\n");
  text_.AppendFormat("      <UsesControlNameList Name=\"%s\"/>\n", kControlListName);
  ForEachBankWithContent(document, [&](const Bank& bank) { AppendPatchBank(bank); });
  text_.AppendFormat("    </ChannelNameSet>\n");
}

void MIDNAM_File::AppendPatchBank(const Bank& bank) {
  text_.AppendFormat("      <PatchBank Name=\"%s\">\n        <MIDICommands>\n",
                     Escaped(bank.LongName()).c_str());
  text_.AppendFormat("          <ControlChange Control=\"%d\" Value=\"%d\"/>\n",
                     kBankSelectMsbControl, bank.BankSelectMsb());
  text_.AppendFormat("          <ControlChange Control=\"%d\" Value=\"%d\"/>\n",
                     kBankSelectLsbControl, bank.BankSelectLsb());
  text_.AppendFormat("        </MIDICommands>\n        <PatchNameList>\n");
  int slot = 0;
  bank.ForEachItem([&](const Item& item) {
    text_.AppendFormat("          <Patch Number=\"%03d\" Name=\"%s\" ProgramChange=\"%d\"/>\n",
                       slot + 1, Escaped(ReadableName(item)).c_str(), slot);
    ++slot;
  });
  text_.AppendFormat("        </PatchNameList>\n      </PatchBank>\n");
}

void MIDNAM_File::AppendControlNameList() {
  text_.AppendFormat("    <ControlNameList Name=\"%s\">\n", kControlListName);
  for (const Controller& controller : Controllers()) {
    text_.AppendFormat("      <Control Type=\"7bit\" Number=\"%d\" Name=\"%s\"/>\n",
                       controller.number, Escaped(controller.name).c_str());
  }
  text_.AppendFormat("    </ControlNameList>\n");
}

#include "files/INS_File.h"

#include <array>

#include "model/S2A_File.h"

namespace {

constexpr const char* kSeparatorLine =
    "; ------------------------------------------------------------------";

constexpr std::array<const char*, 32> kControllerLines{
    "0=0-Bank Select MSB",   "1=1-Modulation",         "5=5-Portamento Time",
    "6=6-Data Entry MSB",    "7=7-Master Volume",      "10=10-Panpot",
    "11=11-Expression",      "32=32-Bank Select LSB",  "38=38-Data Entry LSB",
    "64=64-Sustain",         "65=65-Portamento",       "66=66-Sostenuto",
    "67=67-Soft Pedal",      "71=71-Harmonic Content", "72=72-Release Time",
    "73=73-Attack Time",     "74=74-Brightness",       "91=91-Effect1 Depth",
    "93=93-Effect2 Depth",   "96=96-RPN Increment",    "97=97-RPN Decrement",
    "98=98-NRPN LSB",        "99=99-NRPN MSB",         "100=100-RPN LSB",
    "101=101-RPN MSB",       "120=120-All Sound Off",  "121=121-Reset All Controllers",
    "123=123-All Notes Off", "124=124-OMNI Off",       "125=125-OMNI On",
    "126=126-Mono",          "127=127-Poly",
};

}  // namespace

void INS_File::BuildInstrumentDefinition(const S2A_File& document) {
  Reset();
  AppendHeader();
  const std::string baseName = BaseName();
  ForEachBankWithContent(document, [&](const Bank& bank) { AppendPatchNames(bank, baseName); });
  AppendFixedBlock(baseName);
  ForEachBankWithContent(document, [&](const Bank& bank) {
    text_.AppendFormat("Patch[%d]=%s\r\n", bank.BankSelectNumber(),
                       PatchListTitle(baseName, bank).c_str());
  });
  AppendLine("Patch[*]=General MIDI");
}

void INS_File::AppendLine(const char* text) {
  text_.AppendFormat("%s\r\n", text);
}

void INS_File::AppendHeader() {
  AppendLine("; File Auto-generated using Corvale");
  text_.AppendFormat(";   %s\r\n", kAuthor);
  AppendLine("");
  AppendLine(kSeparatorLine);
  AppendLine(".Patch Names");
  AppendLine("");
}

void INS_File::AppendPatchNames(const Bank& bank, const std::string& baseName) {
  text_.AppendFormat("[%s]\r\n", PatchListTitle(baseName, bank).c_str());
  int slot = 0;
  bank.ForEachItem([&](const Item& item) {
    text_.AppendFormat("%d=%s\r\n", slot++, PatchName(item, item.Name()).c_str());
  });
  AppendLine("");
}

void INS_File::AppendFixedBlock(const std::string& baseName) {
  AppendLine(kSeparatorLine);
  AppendLine(".Controller Names");
  AppendLine("");
  AppendLine("[Yamaha S80 Controllers]");
  for (const char* line : kControllerLines)
    AppendLine(line);
  AppendLine("");
  for (const char* section : {".RPN Names", ".NRPN Names"}) {
    AppendLine(kSeparatorLine);
    AppendLine(section);
    AppendLine("");
    AppendLine("");
  }
  AppendLine(kSeparatorLine);
  AppendLine(".Instrument Definitions");
  AppendLine("");
  text_.AppendFormat("[%s]\r\n", InstrumentTitle(baseName).c_str());
  AppendLine("Control=Yamaha S80 Controllers");
}

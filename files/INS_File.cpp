#include "files/INS_File.h"

#include "model/S2A_File.h"

namespace {

constexpr const char* kSeparatorLine =
    "; ------------------------------------------------------------------";

constexpr char kControlByteReplacement = '?';

// `text` with each control byte (0x00-0x1F, 0x7F) replaced, so that no name can end its line
// early (a CR or LF) or reach the reader's terminal (an ESC); every other byte stays.
std::string OnOneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      c = kControlByteReplacement;
  }
  return text;
}

}  // namespace

void INS_File::BuildInstrumentDefinition(const S2A_File& document) {
  Reset();
  AppendHeader();
  const std::string baseName = OnOneLine(BaseName());
  ForEachBankWithContent(document, [&](const Bank& bank) { AppendPatchNames(bank, baseName); });
  AppendFixedBlock(baseName);
  ForEachBankWithContent(document, [&](const Bank& bank) {
    text_.AppendFormat("Patch[%d]=%s\r\n", bank.BankSelectNumber(),
                       PatchListTitle(baseName, bank).c_str());
  });
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
    text_.AppendFormat("%d=%s\r\n", slot++, PatchName(item, OnOneLine(item.Name())).c_str());
  });
  AppendLine("");
}

void INS_File::AppendFixedBlock(const std::string& baseName) {
  AppendLine(kSeparatorLine);
  AppendLine(".Controller Names");
  AppendLine("");
  text_.AppendFormat("[%s]\r\n", kControllerListTitle);
  for (const Controller& controller : Controllers())
    text_.AppendFormat("%d=%d-%s\r\n", controller.number, controller.number, controller.name);
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
  text_.AppendFormat("Control=%s\r\n", kControllerListTitle);
}

#include "files/INS_File.h"

#include <array>
#include <functional>

#include "files/SmartFile.h"
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

// Cuts a text to at most `limit` bytes without splitting a UTF-8 sequence.
std::string CutToLimit(std::string text, std::size_t limit) {
  if (text.size() <= limit)
    return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  text.resize(end);
  return text;
}

void ForEachBankWithContent(const S2A_File& document,
                            const std::function<void(const Bank&)>& visit) {
  document.ForEachBank([&](const Bank& bank) {
    if (bank.HasContent())
      visit(bank);
  });
}

}  // namespace

int INS_File::Load(const std::optional<std::string>&) {
  return -1;
}

int INS_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(),
                             [this](SmartFile& file) { file.Write(text_.Contents()); });
}

std::string INS_File::BaseName() const {
  if (!FileName())
    return "Unknown";
  const std::string& path = *FileName();
  const std::size_t separator = path.rfind(SmartFilename::kSeparator);
  std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos)
    name.resize(dot);
  return CutToLimit(name, kBaseNameLimit);
}

void INS_File::BuildInstrumentDefinition(const S2A_File& document) {
  Reset();
  AppendHeader();
  const std::string baseName = BaseName();
  ForEachBankWithContent(document, [&](const Bank& bank) { AppendPatchNames(bank, baseName); });
  AppendFixedBlock(baseName);
  ForEachBankWithContent(document, [&](const Bank& bank) {
    text_.AppendFormat("Patch[%d]=Yamaha S80 - %s - %s\r\n", bank.BankSelectNumber(),
                       baseName.c_str(), bank.LongName().c_str());
  });
  AppendLine("Patch[*]=General MIDI");
}

void INS_File::AppendLine(const char* text) {
  text_.AppendFormat("%s\r\n", text);
}

void INS_File::AppendHeader() {
  AppendLine("; File Auto-generated using Corvale");
  AppendLine(";   Corvale, the S80 bank editor and librarian, 2026");
  AppendLine("");
  AppendLine(kSeparatorLine);
  AppendLine(".Patch Names");
  AppendLine("");
}

void INS_File::AppendPatchNames(const Bank& bank, const std::string& baseName) {
  text_.AppendFormat("[Yamaha S80 - %s - %s]\r\n", baseName.c_str(), bank.LongName().c_str());
  int slot = 0;
  bank.ForEachItem([&](const Item& item) {
    const char* format =
        item.Kind() == ItemKind::Performance ? "%d=Perf: %10s [%2s]\r\n" : "%d=%10s [%2s]\r\n";
    text_.AppendFormat(format, slot++, item.Name().c_str(), item.CategoryName().c_str());
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
  text_.AppendFormat("[Yamaha S80 - %s]\r\n", baseName.c_str());
  AppendLine("Control=Yamaha S80 Controllers");
}

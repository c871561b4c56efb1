#include "files/SupportingFile.h"

#include "files/SmartFile.h"
#include "model/S2A_File.h"

namespace {

// The controllers the synthesizer answers to, as both files name them.
// clang-format off
constexpr SupportingFile::Controller kControllers[] = {
    {0, "Bank Select MSB"},    {1, "Modulation"},         {5, "Portamento Time"},
    {6, "Data Entry MSB"},     {7, "Master Volume"},      {10, "Panpot"},
    {11, "Expression"},        {32, "Bank Select LSB"},   {38, "Data Entry LSB"},
    {64, "Sustain"},           {65, "Portamento"},        {66, "Sostenuto"},
    {67, "Soft Pedal"},        {71, "Harmonic Content"},  {72, "Release Time"},
    {73, "Attack Time"},       {74, "Brightness"},        {91, "Effect1 Depth"},
    {93, "Effect2 Depth"},     {96, "RPN Increment"},     {97, "RPN Decrement"},
    {98, "NRPN LSB"},          {99, "NRPN MSB"},          {100, "RPN LSB"},
    {101, "RPN MSB"},          {120, "All Sound Off"},    {121, "Reset All Controllers"},
    {123, "All Notes Off"},    {124, "OMNI Off"},         {125, "OMNI On"},
    {126, "Mono"},             {127, "Poly"},
};
// clang-format on

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

}  // namespace

int SupportingFile::Load(const std::optional<std::string>&) {
  return -1;
}

int SupportingFile::Save(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  return SmartFile::SaveFile(*FileName(),
                             [this](SmartFile& file) { file.Write(text_.Contents()); });
}

std::string SupportingFile::BaseName() const {
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

std::span<const SupportingFile::Controller> SupportingFile::Controllers() {
  return kControllers;
}

void SupportingFile::ForEachBankWithContent(const S2A_File& document,
                                            const std::function<void(const Bank&)>& visit) {
  document.ForEachBank([&](const Bank& bank) {
    if (bank.HasContent())
      visit(bank);
  });
}

std::string SupportingFile::InstrumentTitle(const std::string& baseName) {
  return std::string(kMaker) + " " + kModel + " - " + baseName;
}

std::string SupportingFile::PatchListTitle(const std::string& baseName, const Bank& bank) {
  return InstrumentTitle(baseName) + " - " + bank.LongName();
}

std::string SupportingFile::PatchName(const Item& item, const std::string& name) {
  const std::string prefix = item.Kind() == ItemKind::Performance ? "Perf: " : "";
  const std::size_t width = kItemNameLength;
  const std::string padding(name.size() < width ? width - name.size() : 0, ' ');
  return prefix + padding + name + " [" + item.CategoryName() + "]";
}

#include "files/SupportingFileText.h"

#include "files/SmartFilename.h"
#include "model/S2A_File.h"

namespace {

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

std::string SupportingFileBaseName(const std::optional<std::string>& path) {
  if (!path)
    return "Unknown";
  const std::size_t separator = path->rfind(SmartFilename::kSeparator);
  std::string name = separator == std::string::npos ? *path : path->substr(separator + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos)
    name.resize(dot);
  return CutToLimit(name, kBaseNameLimit);
}

void ForEachBankWithContent(const S2A_File& document,
                            const std::function<void(const Bank&)>& visit) {
  document.ForEachBank([&](const Bank& bank) {
    if (bank.HasContent())
      visit(bank);
  });
}

std::string InstrumentTitle(const std::string& baseName) {
  return std::string(kInstrumentMaker) + " " + kInstrumentModel + " - " + baseName;
}

std::string PatchListTitle(const std::string& baseName, const Bank& bank) {
  return InstrumentTitle(baseName) + " - " + bank.LongName();
}

std::string PatchName(const Item& item, const std::string& name) {
  const std::string prefix = item.Kind() == ItemKind::Performance ? "Perf: " : "";
  const std::size_t width = kItemNameLength;
  const std::string padding(name.size() < width ? width - name.size() : 0, ' ');
  return prefix + padding + name + " [" + item.CategoryName() + "]";
}

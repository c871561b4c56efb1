// The S2I file: a 64-byte header (tag "A0478 INS V1.00", the item's kind code at offset 16)
// followed by the item record; 806, 3839 or 1139 bytes by kind.

#include "files/S2I_File.h"

#include <cstdio>

#include "files/FileDiagnostics.h"
#include "files/SectionFraming.h"
#include "files/SmartFile.h"
#include "model/PrintableText.h"

namespace {
using namespace SectionFraming;
constexpr std::size_t kKindOffset = 16;
}  // namespace

S2I_File::S2I_File() = default;
S2I_File::~S2I_File() = default;

Item* S2I_File::GetItem(int kindCode) {
  if (kindCode == kAnyKind)
    return item_.get();
  if (item_ && static_cast<int>(item_->Kind()) == kindCode)
    return item_.get();
  if (std::unique_ptr<Item> created = CreateItem(kindCode))
    item_ = std::move(created);
  return item_.get();
}

void S2I_File::SetItem(const Item& item) {
  std::unique_ptr<Item> copy = CreateItem(item.Kind());
  if (!copy)
    return;
  copy->Assign(item);
  item_ = std::move(copy);
}

int S2I_File::Load(const std::optional<std::string>& path) {
  if (!TakePath(path))
    return -1;
  SmartFile file;
  if (!file.OpenOrReport(FileName()))
    return -1;
  const HeaderBlock header = ReadHeaderBlock(file);
  if (!CheckFileHeader(header, kInstrumentFileType, HeaderMessages::Plain, FileNameText()))
    return -1;
  std::unique_ptr<Item> loaded = CreateItem(header[kKindOffset]);
  if (!loaded) {
    ReportFileDiagnostic("Error: %s contained an unknown instrument type.\n",
                         FileNameText().c_str());
    return -1;
  }
  ReadItemRecord(file, *loaded);
  item_ = std::move(loaded);
  return 0;
}

int S2I_File::Save(const std::optional<std::string>& path) {
  if (!TakePath(path) || !item_)
    return -1;
  return SmartFile::SaveFile(*FileName(), [this](SmartFile& file) {
    HeaderBlock header = MakeHeaderBlock(kInstrumentFileType);
    header[kKindOffset] = static_cast<std::uint8_t>(item_->Kind());
    file.Write(header);
    WriteItemRecord(file, *item_);
  });
}

void S2I_File::PrintListing() {
  if (!item_)
    return;
  std::printf("File %s (S2I File):\n", PrintablePath(FileNameText()).c_str());
  std::printf("\t%s:%s\n", item_->CategoryName().c_str(), item_->PrintableName().c_str());
}

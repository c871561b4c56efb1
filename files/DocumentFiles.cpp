#include "files/DocumentFiles.h"

#include "files/FileFormat.h"
#include "model/S2A_File.h"

namespace {

// Loads the file into the working copy `makeWorking` gives, which the document becomes only
// when the load succeeded (a load that reports a read error still succeeds, with what was
// read). Whatever is said meanwhile, a default file that could not be read among it, is the
// load's.
template <class MakeWorking>
BankFileLoad LoadThroughWorkingCopy(S2A_File& document, const std::optional<std::string>& path,
                                    const MakeWorking& makeWorking) {
  BankFileLoad load;
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->OpensAsDocument())
    return load;
  load.Run([&] {
    S2A_File working;
    makeWorking(working, *format);
    if (format->readDocument(working, *path, load.report) != 0)
      return -1;
    document.CopyFrom(working);
    document.SetFileName(working.FileName());
    return 0;
  });
  if (!load.Succeeded() && !format->HoldsDumps())
    load.report = {};
  return load;
}

}  // namespace

BankFileLoad OpenBankFile(S2A_File& document, const std::optional<std::string>& path) {
  return LoadThroughWorkingCopy(document, path, [&](S2A_File& fresh, const FileFormat& format) {
    // A bank file names the document as it loads; a dump file is only read.
    if (format.HoldsDumps())
      fresh.SetFileName(path);
  });
}

BankFileLoad MergeBankFile(S2A_File& document, const std::optional<std::string>& path) {
  return LoadThroughWorkingCopy(document, path, [&](S2A_File& working, const FileFormat&) {
    working.CopyFrom(document);
    working.SetFileName(document.FileName());
  });
}

FileSave SaveBankFile(S2A_File& document, const std::optional<std::string>& path) {
  FileSave save;
  const FileFormat* format = FileFormatOf(path);
  if (format == nullptr || !format->SavesDocument())
    return save;
  save.Run([&] { return format->writeDocument(document, *path, save.sevenBitBytes); });
  return save;
}

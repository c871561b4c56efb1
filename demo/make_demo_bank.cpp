// Writes the example data into a folder: demo.s2a (a full bank with a CLP section), the same
// banks as demo.s2v and demo.s2e, demo.syx (dumps of a few of its items) and the same dumps as
// a Standard MIDI File, demo.mid, a configuration
// folder with the four default files, and a settings file that names it.
//
//   make-demo-bank OUTDIR

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "demo/DemoBank.h"
#include "files/DefaultFiles.h"
#include "files/DumpFiles.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "files/SmartFilename.h"
#include "midi/sysex/SYX_File.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"

namespace {

int WriteDefaultItem(ItemKind kind, const char* name, int category, const std::string& folder) {
  S2I_File file;
  Item* item = file.GetItem(static_cast<int>(kind));
  DemoBank::FillItem(*item, name, category, 0);
  std::fill(item->Data().begin() + kItemHeadSize, item->Data().end(), 0);
  return file.Save(SmartFilename::Join(folder, KindInfo(kind).defaultFileName));
}

int WriteDefaultSet(const std::string& folder) {
  S2A_File document;
  for (Bank* bank : {static_cast<Bank*>(&document.InternalInstrumentBank()),
                     static_cast<Bank*>(&document.ExternalInstrumentBank()),
                     static_cast<Bank*>(&document.InternalPercussionBank()),
                     static_cast<Bank*>(&document.ExternalPercussionBank()),
                     static_cast<Bank*>(&document.InternalPerformanceBank()),
                     static_cast<Bank*>(&document.ExternalPerformanceBank())}) {
    bank->ForEachItem([](Item& item) {
      const bool drums = item.Kind() == ItemKind::Percussion;
      const bool performance = item.Kind() == ItemKind::Performance;
      DemoBank::FillItem(item,
                         drums         ? "Init Drums"
                         : performance ? "Init Perf"
                                       : "Init Voice",
                         0, 0);
      std::fill(item.Data().begin() + kItemHeadSize, item.Data().end(), 0);
    });
  }
  return document.Save(SmartFilename::Join(folder, "Default All.s2a"));
}

template <class BankFile>
int WriteBanksAs(const S2A_File& document, const std::string& path) {
  BankFile file;
  file.CopyBanksFrom(document);
  return file.Save(path);
}

// Memory-form dumps of the first item of three banks, then an instrument's edit-buffer dump.
int WriteDumps(S2A_File& document, const std::string& syxPath, const std::string& midPath) {
  SYX_File dumps;
  dumps.AppendItemDump(*document.InternalInstrumentBank().ItemAt(0));
  dumps.AppendItemDump(*document.InternalPercussionBank().ItemAt(0));
  dumps.AppendItemDump(*document.ExternalPerformanceBank().ItemAt(0));
  SYX_File editBuffer;
  editBuffer.StoreToEditBuffer(*document.ExternalInstrumentBank().ItemAt(4));
  dumps.AppendBytes(editBuffer.Bytes());
  return dumps.Save(syxPath) == 0 && SaveDumpFile(dumps, midPath).PassOn().Succeeded() ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-bank OUTDIR\n");
    return 2;
  }
  const std::string outDir = SmartFilename::Resolve(argv[1]);
  const std::string configDir = SmartFilename::Join(outDir, "config");
  const std::string settings = SmartFilename::Join(outDir, "settings.conf");
  std::filesystem::create_directories(configDir);

  // The settings file of the example names its configuration folder; this program's own
  // defaults come from the same place.
  ::setenv("CORVALE_SETTINGS", settings.c_str(), 1);
  DefaultFiles::Use();
  try {
    SettingsStore::WriteSettingString(Settings::kConfigurationDirectory, configDir);
  } catch (const SettingsWriteError& error) {
    std::fprintf(stderr, "make-demo-bank: %s\n", error.what());
    return 1;
  }

  int failures = 0;
  failures += WriteDefaultItem(ItemKind::Instrument, "Init Voice", 0, configDir) != 0;
  failures += WriteDefaultItem(ItemKind::Percussion, "Init Drums", 17, configDir) != 0;
  failures += WriteDefaultItem(ItemKind::Performance, "Init Perf", 0, configDir) != 0;
  failures += WriteDefaultSet(configDir) != 0;

  S2A_File demo;
  DemoBank::FillDocument(demo);
  failures += demo.Save(SmartFilename::Join(outDir, "demo.s2a")) != 0;
  failures += WriteBanksAs<S2V_File>(demo, SmartFilename::Join(outDir, "demo.s2v")) != 0;
  failures += WriteBanksAs<S2E_File>(demo, SmartFilename::Join(outDir, "demo.s2e")) != 0;
  failures += WriteDumps(demo, SmartFilename::Join(outDir, "demo.syx"),
                         SmartFilename::Join(outDir, "demo.mid")) != 0;
  return failures == 0 ? 0 : 1;
}

#pragma once

#include <memory>

#include "model/Bank.h"
#include "model/File.h"

class S2A_File;

// The S2E external-bank file: the external instrument, percussion and performance banks.
class S2E_File : public File {
 public:
  S2E_File();
  ~S2E_File() override;

  int Load(const std::optional<std::string>& path = std::nullopt) override;
  int Save(const std::optional<std::string>& path = std::nullopt) override;
  void PrintListing() override;

  // Takes copies of a document's three external banks.
  void CopyBanksFrom(const S2A_File& document);
  // Puts copies of the three external banks into a document, which keeps its internal banks.
  void CopyBanksTo(S2A_File& document) const;

  TypedBank<Instrument>& ExternalInstrumentBank() { return *externalInstrument_; }
  TypedBank<Percussion>& ExternalPercussionBank() { return *externalPercussion_; }
  TypedBank<Performance>& ExternalPerformanceBank() { return *externalPerformance_; }
  const TypedBank<Instrument>& ExternalInstrumentBank() const { return *externalInstrument_; }
  const TypedBank<Percussion>& ExternalPercussionBank() const { return *externalPercussion_; }
  const TypedBank<Performance>& ExternalPerformanceBank() const { return *externalPerformance_; }

 private:
  std::unique_ptr<TypedBank<Instrument>> externalInstrument_;
  std::unique_ptr<TypedBank<Percussion>> externalPercussion_;
  std::unique_ptr<TypedBank<Performance>> externalPerformance_;
};

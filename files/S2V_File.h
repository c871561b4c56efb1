#pragma once

#include <memory>

#include "model/Bank.h"
#include "model/File.h"

class S2A_File;

// The S2V voice-bank file: the internal and external instrument and percussion banks.
class S2V_File : public File {
 public:
  S2V_File();
  ~S2V_File() override;

  int Load(const std::optional<std::string>& path = std::nullopt) override;
  int Save(const std::optional<std::string>& path = std::nullopt) override;
  void PrintListing() override;

  // Takes copies of a document's four voice banks.
  void CopyBanksFrom(const S2A_File& document);
  // Puts copies of the four voice banks into a document, which keeps its other banks.
  void CopyBanksTo(S2A_File& document) const;

  TypedBank<Instrument>& InternalInstrumentBank() { return *internalInstrument_; }
  TypedBank<Percussion>& InternalPercussionBank() { return *internalPercussion_; }
  TypedBank<Instrument>& ExternalInstrumentBank() { return *externalInstrument_; }
  TypedBank<Percussion>& ExternalPercussionBank() { return *externalPercussion_; }
  const TypedBank<Instrument>& InternalInstrumentBank() const { return *internalInstrument_; }
  const TypedBank<Percussion>& InternalPercussionBank() const { return *internalPercussion_; }
  const TypedBank<Instrument>& ExternalInstrumentBank() const { return *externalInstrument_; }
  const TypedBank<Percussion>& ExternalPercussionBank() const { return *externalPercussion_; }

 private:
  std::unique_ptr<TypedBank<Instrument>> internalInstrument_;
  std::unique_ptr<TypedBank<Percussion>> internalPercussion_;
  std::unique_ptr<TypedBank<Instrument>> externalInstrument_;
  std::unique_ptr<TypedBank<Percussion>> externalPercussion_;
};

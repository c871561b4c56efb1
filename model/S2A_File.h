#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "model/Bank.h"
#include "model/File.h"

struct BankLayout;

// One document: the six banks of the synthesizer's user memory and four blocks of other
// synthesizer data that are kept and written back untouched.
class S2A_File : public File {
 public:
  static constexpr std::size_t kSysBlockSize = 384;
  static constexpr std::size_t kChnBlockSize = 1920;
  static constexpr std::size_t kPlvBlockSize = 36736;
  static constexpr std::size_t kClpBlockSize = 88960;

  // A copy of the shared default set, without a file name.
  S2A_File();

 private:
  struct SharedDefaultTag {};

 public:
  // The shared default set (made only by SharedDefault): filled from the default source
  // instead of copying itself.
  explicit S2A_File(SharedDefaultTag);
  ~S2A_File() override;

  void Reset() override;
  int Load(const std::optional<std::string>& path = std::nullopt) override;
  int Save(const std::optional<std::string>& path = std::nullopt) override;
  PDLList<Bank>* Banks() override { return bankList_.get(); }
  const PDLList<Bank>* BankList() const { return bankList_.get(); }
  // Visits the banks in bank-list order.
  void ForEachBank(const std::function<void(const Bank&)>& visit) const;
  void PrintListing() override;

  // The bank of a layout (BankLayout::bankIn).
  Bank& BankOf(const BankLayout& layout);
  const Bank& BankOf(const BankLayout& layout) const;

  TypedBank<Instrument>& InternalInstrumentBank() { return *internalInstrument_; }
  TypedBank<Percussion>& InternalPercussionBank() { return *internalPercussion_; }
  TypedBank<Instrument>& ExternalInstrumentBank() { return *externalInstrument_; }
  TypedBank<Percussion>& ExternalPercussionBank() { return *externalPercussion_; }
  TypedBank<Performance>& InternalPerformanceBank() { return *internalPerformance_; }
  TypedBank<Performance>& ExternalPerformanceBank() { return *externalPerformance_; }
  const TypedBank<Instrument>& InternalInstrumentBank() const { return *internalInstrument_; }
  const TypedBank<Percussion>& InternalPercussionBank() const { return *internalPercussion_; }
  const TypedBank<Instrument>& ExternalInstrumentBank() const { return *externalInstrument_; }
  const TypedBank<Percussion>& ExternalPercussionBank() const { return *externalPercussion_; }
  const TypedBank<Performance>& InternalPerformanceBank() const { return *internalPerformance_; }
  const TypedBank<Performance>& ExternalPerformanceBank() const { return *externalPerformance_; }

  std::span<std::uint8_t> SysBlock() { return sysBlock_; }
  std::span<std::uint8_t> ChnBlock() { return chnBlock_; }
  std::span<std::uint8_t> PlvBlock() { return plvBlock_; }
  std::span<std::uint8_t> ClpBlock() { return clpBlock_; }
  std::span<const std::uint8_t> SysBlock() const { return sysBlock_; }
  std::span<const std::uint8_t> ChnBlock() const { return chnBlock_; }
  std::span<const std::uint8_t> PlvBlock() const { return plvBlock_; }
  std::span<const std::uint8_t> ClpBlock() const { return clpBlock_; }
  bool HasClpBlock() const { return hasClpBlock_; }
  void SetHasClpBlock(bool flag) { hasClpBlock_ = flag; }

  S2A_File& CopyFrom(const S2A_File& source);

 private:
  friend class SharedDefaults;

  // The shared default set (see SharedDefaults), made and filled on first use.
  static const S2A_File& SharedDefault();
  static void DropSharedDefault();

  void BuildBanks();
  void BuildBankList();
  void FillAsSharedDefault();

  bool isSharedDefault_ = false;
  std::unique_ptr<TypedBank<Instrument>> internalInstrument_;
  std::unique_ptr<TypedBank<Percussion>> internalPercussion_;
  std::unique_ptr<TypedBank<Instrument>> externalInstrument_;
  std::unique_ptr<TypedBank<Percussion>> externalPercussion_;
  std::unique_ptr<TypedBank<Performance>> internalPerformance_;
  std::unique_ptr<TypedBank<Performance>> externalPerformance_;
  // The six banks in the order of kBankLayouts.
  std::array<Bank*, 6> byLayout_{};
  std::vector<std::uint8_t> sysBlock_;
  std::vector<std::uint8_t> chnBlock_;
  std::vector<std::uint8_t> plvBlock_;
  std::vector<std::uint8_t> clpBlock_;
  bool hasClpBlock_ = false;
  std::unique_ptr<PDLList<Bank>> bankList_;
};

#include "model/S2A_File.h"

#include <algorithm>
#include <mutex>

#include "model/BankLayouts.h"
#include "model/DefaultSource.h"

namespace {

// The shared default set, made on first use; read and changed under DefaultSource::Hold.
std::unique_ptr<S2A_File>& SharedDefaultSet() {
  static std::unique_ptr<S2A_File> set;
  return set;
}

}  // namespace

S2A_File::S2A_File() {
  BuildBanks();
  Reset();
  BuildBankList();
}

S2A_File::S2A_File(SharedDefaultTag) : isSharedDefault_(true) {
  BuildBanks();
  Reset();
  BuildBankList();
}

S2A_File::~S2A_File() = default;

void S2A_File::BuildBanks() {
  internalInstrument_ = MakeBank<Instrument>(kInternalInstrumentLayout);
  internalPercussion_ = MakeBank<Percussion>(kInternalPercussionLayout);
  externalInstrument_ = MakeBank<Instrument>(kExternalInstrumentLayout);
  externalPercussion_ = MakeBank<Percussion>(kExternalPercussionLayout);
  internalPerformance_ = MakeBank<Performance>(kInternalPerformanceLayout);
  externalPerformance_ = MakeBank<Performance>(kExternalPerformanceLayout);
  byLayout_ = {internalInstrument_.get(), externalInstrument_.get(),  internalPercussion_.get(),
               externalPercussion_.get(), internalPerformance_.get(), externalPerformance_.get()};
  sysBlock_.assign(kSysBlockSize, 0);
  chnBlock_.assign(kChnBlockSize, 0);
  plvBlock_.assign(kPlvBlockSize, 0);
  clpBlock_.assign(kClpBlockSize, 0);
}

// Every insertion lands directly behind External Instrument, so the walk order becomes
// Internal Instrument, External Instrument, External Performance, Internal Performance,
// External Percussion, Internal Percussion.
void S2A_File::BuildBankList() {
  bankList_ = std::make_unique<PDLList<Bank>>(internalInstrument_.get());
  DLListCore* externalInstrument =
      InsertAfter(*bankList_, std::make_unique<PDLList<Bank>>(externalInstrument_.get()));
  for (Bank* bank : {static_cast<Bank*>(internalPercussion_.get()),
                     static_cast<Bank*>(externalPercussion_.get()),
                     static_cast<Bank*>(internalPerformance_.get()),
                     static_cast<Bank*>(externalPerformance_.get())}) {
    InsertAfter(*externalInstrument, std::make_unique<PDLList<Bank>>(bank));
  }
}

Bank& S2A_File::BankOf(const BankLayout& layout) {
  return *byLayout_[static_cast<std::size_t>(&layout - kBankLayouts.data())];
}

const Bank& S2A_File::BankOf(const BankLayout& layout) const {
  return *byLayout_[static_cast<std::size_t>(&layout - kBankLayouts.data())];
}

const S2A_File& S2A_File::SharedDefault() {
  const auto hold = DefaultSource::Hold();
  std::unique_ptr<S2A_File>& set = SharedDefaultSet();
  if (!set)
    set = std::make_unique<S2A_File>(SharedDefaultTag{});
  return *set;
}

void S2A_File::DropSharedDefault() {
  const auto hold = DefaultSource::Hold();
  SharedDefaultSet().reset();
}

void S2A_File::Reset() {
  if (isSharedDefault_) {
    FillAsSharedDefault();
  } else {
    CopyFrom(SharedDefault());
  }
}

void S2A_File::FillAsSharedDefault() {
  const auto hold = DefaultSource::Hold();
  if (DefaultSource* source = DefaultSource::Current(); source && source->FillSet(*this))
    return;
  for (std::vector<std::uint8_t>* block : {&sysBlock_, &chnBlock_, &plvBlock_, &clpBlock_}) {
    std::fill(block->begin(), block->end(), 0);
  }
  hasClpBlock_ = false;
  for (const BankLayout& layout : kBankLayouts)
    layout.bankIn(*this).ResetAll();
}

void S2A_File::ForEachBank(const std::function<void(const Bank&)>& visit) const {
  for (const PDLList<Bank>* node = BankList(); node != nullptr; node = node->NextNode())
    visit(*node->Element());
}

S2A_File& S2A_File::CopyFrom(const S2A_File& source) {
  if (&source == this)
    return *this;
  sysBlock_ = source.sysBlock_;
  chnBlock_ = source.chnBlock_;
  plvBlock_ = source.plvBlock_;
  clpBlock_ = source.clpBlock_;
  hasClpBlock_ = source.hasClpBlock_;
  internalInstrument_->AssignFrom(*source.internalInstrument_);
  internalPercussion_->AssignFrom(*source.internalPercussion_);
  externalInstrument_->AssignFrom(*source.externalInstrument_);
  externalPercussion_->AssignFrom(*source.externalPercussion_);
  internalPerformance_->AssignFrom(*source.internalPerformance_);
  externalPerformance_->AssignFrom(*source.externalPerformance_);
  return *this;
}

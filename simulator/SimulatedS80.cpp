#include "simulator/SimulatedS80.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "midi/sysex/BulkDump.h"
#include "midi/sysex/BulkMessageScanner.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

using MidiWire::kBankSelectLsbController;
using MidiWire::kBankSelectMsbController;
using MidiWire::kChannelStatusMask;
using MidiWire::kControlChange;
using MidiWire::kProgramChange;
constexpr std::size_t kSysExLeadSize = 4;

// An address as one number, so that a run of data maps onto the blocks it covers.
long LinearAddress(SysxAddress address) {
  return (long{address.High()} * SysxAddress::kPageSize + address.Mid()) * SysxAddress::kPageSize +
         address.Low();
}

// The lossy link's dice: splitmix64, so that a seed gives the same faults on every platform.
class LinkDice {
 public:
  void Seed(std::uint64_t seed) { state_ = seed; }
  bool Roll(double probability) {
    constexpr double kUnit = 1.0 / 9007199254740992.0;  // 2^-53
    return probability > 0 && static_cast<double>(Next() >> 11) * kUnit < probability;
  }
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }

 private:
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::uint64_t state_ = 0;
};

bool IsBulkDump(std::span<const std::uint8_t> message) {
  return message.size() >= BulkDump::kMessageOverhead && message[0] == BulkDump::kSysExStart &&
         message[1] == BulkDump::kYamahaId && message[3] == BulkDump::kModelId &&
         (message[2] & kChannelStatusMask) == BulkDump::kBulkDumpType;
}

// One answer to a dump request: its messages as they go out, faults already applied.
struct Answer {
  std::vector<std::vector<std::uint8_t>> messages;
  std::chrono::microseconds gap{0};
};

// A bulk dump between its header and its footer: the bytes that arrived so far, by their
// offset in the addressed item's image.
struct IncomingDump {
  BulkDump::Location location;
  ItemKind kind;
  std::vector<std::uint8_t> image;
  std::vector<bool> arrived;
};

}  // namespace

struct SimulatedS80::State {
  explicit State(int rate) : bytesPerSecond(rate), memory(std::make_unique<S2A_File>()) {
    for (int kind = 0; kind < kItemKindCount; ++kind) {
      editBuffers[static_cast<std::size_t>(kind)] = CreateItem(kind);
    }
  }

  // The item a location names, or none.
  Item* ItemAt(const BulkDump::LocationMeaning& meaning) {
    if (meaning.bank == nullptr) {
      return editBuffers[static_cast<std::size_t>(meaning.kind)].get();
    }
    Bank& bank = meaning.bank->bankIn(*memory);
    return meaning.slot < bank.Count() ? bank.ItemAt(meaning.slot) : nullptr;
  }

  Bank* FindBank(int msb, int lsb) {
    for (PDLList<Bank>* node = memory->Banks(); node != nullptr; node = node->NextNode()) {
      Bank* bank = node->Element();
      if (bank->BankSelectMsb() == msb && bank->BankSelectLsb() == lsb) {
        return bank;
      }
    }
    return nullptr;
  }

  // True when an answer was queued.
  bool ReceiveSysEx(std::span<const std::uint8_t> message) {
    if (message.size() < kSysExLeadSize || message[1] != BulkDump::kYamahaId ||
        message[3] != BulkDump::kModelId) {
      return false;
    }
    const std::uint8_t type = message[2] & kChannelStatusMask;
    if (type == BulkDump::kDumpRequestType) {
      const std::optional<BulkDump::Location> location = BulkDump::RequestedLocation(message);
      return location && QueueAnswer(*location);
    }
    if (type == BulkDump::kBulkDumpType) {
      ScanBulkMessages(message, [this](const BulkMessage& bulk) { ReceiveBulk(bulk); });
    }
    return false;
  }

  // What the lossy link does to one message: none when it is lost; otherwise the message, for a
  // bulk dump perhaps with one data byte changed (the checksum when it carries no data).
  std::optional<std::vector<std::uint8_t>> PassLink(std::span<const std::uint8_t> message) {
    if (dice.Roll(faults.dropProbability)) {
      ++linkFaults.dropped;
      return std::nullopt;
    }
    std::vector<std::uint8_t> passed(message.begin(), message.end());
    if (IsBulkDump(message) && dice.Roll(faults.corruptProbability)) {
      const std::size_t dataBytes = passed.size() - BulkDump::kMessageOverhead;
      std::uint8_t& changed =
          passed[dataBytes > 0 ? BulkDump::kDataOffset + dice.Below(dataBytes) : passed.size() - 2];
      // Any other seven-bit value moves the sum, so the checksum no longer fits.
      changed = static_cast<std::uint8_t>((changed + 1 + dice.Below(126)) & BulkDump::kDataBits);
      ++linkFaults.corrupted;
    }
    return passed;
  }

  bool QueueAnswer(BulkDump::Location location) {
    const std::optional<BulkDump::LocationMeaning> meaning = BulkDump::DescribeLocation(location);
    Item* item = meaning ? ItemAt(*meaning) : nullptr;
    if (faults.silent || item == nullptr ||
        std::find(faults.unanswered.begin(), faults.unanswered.end(), location) !=
            faults.unanswered.end()) {
      return false;
    }
    SYX_File dump;
    const int built =
        meaning->bank != nullptr ? dump.AppendItemDump(*item) : dump.StoreToEditBuffer(*item);
    if (built < 0) {
      return false;
    }
    Answer answer;
    answer.gap = faults.gap;
    const auto messages = MidiWire::SysExMessages(dump.Bytes());
    const int blocks = static_cast<int>(messages.size()) - 2;
    int& firstBlock = blocksCarried[std::pair(location.mid, location.low)];
    const auto carried = [&](int position) {
      const int block = position - 1;
      return faults.blocksPerAnswer <= 0 || block < 0 || block >= blocks ||
             (block - firstBlock + blocks) % blocks < faults.blocksPerAnswer;
    };
    for (std::size_t index = 0; index < messages.size(); ++index) {
      const auto position = static_cast<int>(index);
      if (position == faults.dropMessage || !carried(position)) {
        continue;
      }
      std::optional<std::vector<std::uint8_t>> passed = PassLink(messages[index]);
      if (!passed) {
        continue;
      }
      std::vector<std::uint8_t>& out = answer.messages.emplace_back(std::move(*passed));
      if (position == faults.corruptChecksum) {
        std::uint8_t& checksum = out[out.size() - 2];
        checksum = static_cast<std::uint8_t>((checksum + 1) & 0x7F);
      }
    }
    if (faults.blocksPerAnswer > 0 && blocks > 0) {
      firstBlock = (firstBlock + faults.blocksPerAnswer) % blocks;
    }
    answers.push_back(std::move(answer));
    return true;
  }

  void ReceiveBulk(const BulkMessage& bulk) {
    const SysxAddress address = bulk.address;
    const BulkDump::Location location{address.Mid(), address.Low()};
    if (address.High() == BulkDump::kHeaderHigh) {
      // A header begins a new dump; one still open without its footer is abandoned.
      incoming.reset();
      const std::optional<BulkDump::LocationMeaning> meaning = BulkDump::DescribeLocation(location);
      if (meaning) {
        const auto size = static_cast<std::size_t>(KindInfo(meaning->kind).imageSize);
        incoming = IncomingDump{location, meaning->kind, std::vector<std::uint8_t>(size),
                                std::vector<bool>(size, false)};
      }
      return;
    }
    if (!incoming) {
      return;
    }
    if (address.High() == BulkDump::kFooterHigh) {
      if (location == incoming->location) {
        StoreIncoming();
        incoming.reset();
      }
      return;
    }
    PlaceBlockData(address, bulk.data);
  }

  // Files each byte of a block message at its offset in the image, wherever the message
  // overlaps a block of the kind's table; bytes outside every block are dropped.
  void PlaceBlockData(SysxAddress address, std::span<const std::uint8_t> data) {
    const long start = LinearAddress(address);
    const long end = start + static_cast<long>(data.size());
    std::size_t offset = 0;
    for (const ParamBlock& block : KindInfo(incoming->kind).blockTable()) {
      const long blockStart = LinearAddress(SysxAddress(block.high, block.mid, block.low));
      const long from = std::max(start, blockStart);
      const long to = std::min(end, blockStart + block.size);
      for (long at = from; at < to; ++at) {
        const std::size_t target = offset + static_cast<std::size_t>(at - blockStart);
        if (target < incoming->image.size()) {
          incoming->image[target] = data[static_cast<std::size_t>(at - start)];
          incoming->arrived[target] = true;
        }
      }
      offset += static_cast<std::size_t>(block.size);
    }
  }

  // Bytes that did not arrive keep their old values, as in the instrument's own memory.
  void StoreIncoming() {
    const std::optional<BulkDump::LocationMeaning> meaning =
        BulkDump::DescribeLocation(incoming->location);
    Item* item = meaning ? ItemAt(*meaning) : nullptr;
    if (item == nullptr || (faults.memoryProtected && meaning->bank != nullptr)) {
      return;
    }
    const std::span<std::uint8_t> image = item->Data();
    const std::size_t size = std::min(image.size(), incoming->image.size());
    for (std::size_t i = 0; i < size; ++i) {
      if (incoming->arrived[i]) {
        image[i] = incoming->image[i];
      }
    }
    item->MarkLoaded();
  }

  void ReceiveChannelMessage(std::span<const std::uint8_t> message) {
    const std::uint8_t status = message[0] & kChannelStatusMask;
    if (status == kControlChange && message.size() == 3) {
      if (message[1] == kBankSelectMsbController) {
        bankMsb = message[2];
      } else if (message[1] == kBankSelectLsbController) {
        bankLsb = message[2];
      }
    } else if (status == kProgramChange && message.size() == 2 && bankMsb && bankLsb) {
      Bank* bank = FindBank(*bankMsb, *bankLsb);
      if (bank != nullptr && message[1] < bank->Count()) {
        const Item* selected = bank->ItemAt(message[1]);
        editBuffers[static_cast<std::size_t>(selected->Kind())]->Assign(*selected);
      }
    }
  }

  // The worker: sends the queued answers in order, each message when its last byte would
  // have arrived. The wire runs on from one answer to the next.
  void Run() {
    std::unique_lock lock(mutex);
    auto wireFreeAt = std::chrono::steady_clock::now();
    while (true) {
      work.wait(lock, [this] { return stopping || !answers.empty(); });
      if (stopping) {
        return;
      }
      const Answer answer = std::move(answers.front());
      answers.pop_front();
      sending = true;
      // Within an answer the bytes follow each other on the wire without a break, however
      // late this thread wakes up, so lateness does not add up over hundreds of messages.
      wireFreeAt = std::max(wireFreeAt, std::chrono::steady_clock::now());
      for (std::size_t index = 0; index < answer.messages.size(); ++index) {
        const std::vector<std::uint8_t>& message = answer.messages[index];
        const auto pause = index > 0 ? answer.gap : std::chrono::microseconds{0};
        wireFreeAt += pause + MidiWire::WireTime(message.size(), bytesPerSecond);
        if (work.wait_until(lock, wireFreeAt, [this] { return stopping; })) {
          return;
        }
        lock.unlock();
        Deliver(message);
        lock.lock();
      }
      sending = false;
      idle.notify_all();
    }
  }

  void Deliver(std::span<const std::uint8_t> message) {
    const std::lock_guard sinkLock(sinkMutex);
    if (sink) {
      sink(message);
    }
  }

  // Guards everything from here to the sink.
  std::mutex mutex;
  std::condition_variable work;  // an answer was queued, or the worker is to stop
  std::condition_variable idle;  // the worker has sent everything queued
  int bytesPerSecond;
  Faults faults;
  LinkDice dice;
  LinkFaultCounts linkFaults;
  // By location (mid, low): the first block message its next answer carries (blocksPerAnswer).
  std::map<std::pair<std::uint8_t, std::uint8_t>, int> blocksCarried;
  std::unique_ptr<S2A_File> memory;
  std::array<std::unique_ptr<Item>, kItemKindCount> editBuffers;
  std::vector<ReceivedMessage> received;
  std::optional<std::uint8_t> bankMsb;
  std::optional<std::uint8_t> bankLsb;
  std::optional<IncomingDump> incoming;
  std::deque<Answer> answers;
  bool sending = false;
  bool stopping = false;

  // Held for every call to the sink, so that replacing it waits for a call under way. Never
  // taken together with the state mutex.
  std::mutex sinkMutex;
  Sink sink;
  std::uint64_t sinkConnection = 0;
  std::uint64_t connectionsMade = 0;

  std::thread worker;
};

SimulatedS80::SimulatedS80(int bytesPerSecond) : state_(std::make_unique<State>(bytesPerSecond)) {
  state_->worker = std::thread([state = state_.get()] { state->Run(); });
}

SimulatedS80::~SimulatedS80() {
  {
    const std::lock_guard lock(state_->mutex);
    state_->stopping = true;
  }
  state_->work.notify_all();
  state_->worker.join();
}

void SimulatedS80::LoadMemory(const S2A_File& document) {
  const std::lock_guard lock(state_->mutex);
  state_->memory->CopyFrom(document);
}

std::unique_ptr<S2A_File> SimulatedS80::MemorySnapshot() const {
  auto copy = std::make_unique<S2A_File>();
  const std::lock_guard lock(state_->mutex);
  copy->CopyFrom(*state_->memory);
  return copy;
}

std::unique_ptr<Item> SimulatedS80::EditBuffer(ItemKind kind) const {
  std::unique_ptr<Item> copy = CreateItem(kind);
  const std::lock_guard lock(state_->mutex);
  copy->Assign(*state_->editBuffers[static_cast<std::size_t>(kind)]);
  return copy;
}

void SimulatedS80::SetBytesPerSecond(int bytesPerSecond) {
  const std::lock_guard lock(state_->mutex);
  state_->bytesPerSecond = bytesPerSecond;
}

int SimulatedS80::BytesPerSecond() const {
  const std::lock_guard lock(state_->mutex);
  return state_->bytesPerSecond;
}

void SimulatedS80::SetFaults(const Faults& faults) {
  const std::lock_guard lock(state_->mutex);
  state_->faults = faults;
  state_->dice.Seed(faults.seed);
  state_->linkFaults = {};
  state_->blocksCarried.clear();
}

SimulatedS80::LinkFaultCounts SimulatedS80::LinkFaults() const {
  const std::lock_guard lock(state_->mutex);
  return state_->linkFaults;
}

void SimulatedS80::Receive(std::span<const std::uint8_t> message) {
  const auto at = std::chrono::steady_clock::now();
  bool answerQueued = false;
  {
    const std::lock_guard lock(state_->mutex);
    state_->received.push_back({at, {message.begin(), message.end()}});
    if (message.empty()) {
      return;
    }
    const std::optional<std::vector<std::uint8_t>> passed = state_->PassLink(message);
    if (!passed) {
      return;
    }
    if (message[0] == BulkDump::kSysExStart) {
      answerQueued = state_->ReceiveSysEx(*passed);
    } else if (message[0] >= BulkDump::kStatusBit) {
      state_->ReceiveChannelMessage(*passed);
    }
  }
  if (answerQueued) {
    state_->work.notify_all();
  }
}

std::vector<SimulatedS80::ReceivedMessage> SimulatedS80::ReceivedMessages() const {
  const std::lock_guard lock(state_->mutex);
  return state_->received;
}

void SimulatedS80::ClearReceivedMessages() {
  const std::lock_guard lock(state_->mutex);
  state_->received.clear();
}

std::uint64_t SimulatedS80::Connect(Sink sink) {
  const std::lock_guard sinkLock(state_->sinkMutex);
  state_->sink = std::move(sink);
  state_->sinkConnection = ++state_->connectionsMade;
  return state_->sinkConnection;
}

void SimulatedS80::Disconnect() {
  const std::lock_guard sinkLock(state_->sinkMutex);
  state_->sink = nullptr;
  state_->sinkConnection = 0;
}

void SimulatedS80::Disconnect(std::uint64_t connection) {
  const std::lock_guard sinkLock(state_->sinkMutex);
  if (connection != 0 && connection == state_->sinkConnection) {
    state_->sink = nullptr;
    state_->sinkConnection = 0;
  }
}

void SimulatedS80::WaitUntilIdle() const {
  std::unique_lock lock(state_->mutex);
  state_->idle.wait(lock, [this] { return state_->answers.empty() && !state_->sending; });
}

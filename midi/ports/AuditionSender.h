#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class Item;
class MidiControl;
class S2A_File;
struct BankLayout;

// Programs sent to the synthesizer's edit buffer of their kind as they are chosen, from a
// thread of its own, never queued: at most one dump is on the wire, and when it ends only the
// program chosen last goes next; those chosen meanwhile are dropped. A program chosen while the
// line is quiet goes at once. One chosen while a dump is under way goes once the choice has
// rested for kSettleTime, so that arrowing through a bank faster than the wire carries sends
// the first program and then the one the arrows stopped at.
//
// A send that fails stops the sender: the program waiting is dropped, the failure is told once,
// and choices are ignored until Resume.
class AuditionSender {
 public:
  static constexpr std::chrono::milliseconds kSettleTime{150};

  // Sends one program, on the sender's thread: 0, or -1 with `error` saying why.
  using Send = std::function<int(const Item& item, std::string& error)>;
  // Told on the sender's thread, once for each failure.
  using Failure = std::function<void(const std::string& error)>;

  // Sends as Send to Buffer does (MidiTransfer::SendToBuffer) through `control`, whose ports the
  // sender's thread uses while a dump is under way: other users wait for WaitUntilIdle first.
  // The port errors of a send become its failure's text; none reaches the handler in force.
  AuditionSender(MidiControl& control, Failure failure);
  AuditionSender(Send send, Failure failure);
  // Drops the program waiting and waits for the dump under way.
  ~AuditionSender();
  AuditionSender(const AuditionSender&) = delete;
  AuditionSender& operator=(const AuditionSender&) = delete;

  // A copy of `item` goes next, in place of any program waiting; a program of a bank keeps its
  // place, so that its bank and program are selected first.
  void Choose(const Item& item);
  // After a failure: choices are taken again.
  void Resume();
  // Returns once no dump is under way and none waits.
  void WaitUntilIdle();
  // How many sends have begun.
  int SendCount() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Choice {
    std::unique_ptr<Item> item;
    const BankLayout* layout;  // none for a program of no bank
    int slot;
    Clock::time_point chosenAt;
  };

  void Run();
  // Waits until the program waiting has been the one chosen for kSettleTime; false when the
  // sender ends meanwhile.
  bool WaitForRest(std::unique_lock<std::mutex>& lock);
  // The choice's program in its own place of the sender's document, or the copy itself.
  const Item& Placed(const Choice& choice);

  const Send send_;
  const Failure failure_;
  // Only the sender's thread touches it: the bank in which a chosen program keeps its place.
  std::unique_ptr<S2A_File> placed_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::condition_variable idle_;
  std::optional<Choice> waiting_;
  // From a send's start until nothing waits any more after it.
  bool busy_ = false;
  bool stopped_ = false;
  bool ending_ = false;
  int sendCount_ = 0;
  std::thread thread_;
};

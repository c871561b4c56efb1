#include "midi/ports/AuditionSender.h"

#include <gtest/gtest.h>

#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

// Records the kind and place of each program sent and holds every send until the test opens the
// line; sends fail while it says so. Failures told are recorded too.
struct HeldLine {
  AuditionSender::Send Send() {
    return [this](const Item& item, std::string& error) {
      std::unique_lock lock(mutex);
      sent.push_back(Shown(item));
      changed.notify_all();
      changed.wait(lock, [this] { return open; });
      error = "gone";
      return failing ? -1 : 0;
    };
  }
  AuditionSender::Failure Failure() {
    return [this](const std::string& error) { failures.push_back(error); };
  }
  void WaitForFirstSend() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return !sent.empty(); });
  }
  void Open(bool fail) {
    const std::lock_guard lock(mutex);
    open = true;
    failing = fail;
    changed.notify_all();
  }
  static std::string Shown(const Item& item) {
    return std::string(KindInfo(item.Kind()).name) + " " + SlotPlace(item);
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> sent;
  std::vector<std::string> failures;
  bool open = false;
  bool failing = false;
};

TEST(AuditionSenderTest, WhileADumpIsOnTheWireOnlyTheProgramChosenLastGoesNext) {
  S2A_File document;
  Item& voice = *document.InternalInstrumentBank().ItemAt(0);
  Item& kit = *document.ExternalPercussionBank().ItemAt(1);
  Item& performance = *document.InternalPerformanceBank().ItemAt(7);
  const std::vector<std::vector<const Item*>> cases = {
      {&voice, document.InternalInstrumentBank().ItemAt(1), &kit, &performance},
      {&kit, &voice, &performance, &voice},
      {&voice, &kit},
  };
  for (const std::vector<const Item*>& chosen : cases) {
    HeldLine line;
    AuditionSender sender(line.Send(), line.Failure());
    sender.Choose(*chosen.front());
    line.WaitForFirstSend();
    for (std::size_t next = 1; next < chosen.size(); ++next)
      sender.Choose(*chosen[next]);
    line.Open(false);
    sender.WaitUntilIdle();
    EXPECT_EQ(line.sent,
              (std::vector{HeldLine::Shown(*chosen.front()), HeldLine::Shown(*chosen.back())}));
    EXPECT_EQ(sender.SendCount(), 2);
    EXPECT_TRUE(line.failures.empty());
  }
}

TEST(AuditionSenderTest, AFailureIsToldOnceAndStopsTheSenderUntilResumed) {
  S2A_File document;
  Bank& voices = document.InternalInstrumentBank();
  HeldLine line;
  AuditionSender sender(line.Send(), line.Failure());
  sender.Choose(*voices.ItemAt(0));
  line.WaitForFirstSend();
  sender.Choose(*voices.ItemAt(1));
  line.Open(true);
  sender.WaitUntilIdle();
  sender.Choose(*voices.ItemAt(2));
  sender.WaitUntilIdle();
  EXPECT_EQ(line.failures, std::vector<std::string>{"gone"});
  EXPECT_EQ(sender.SendCount(), 1);

  line.Open(false);
  sender.Resume();
  sender.Choose(*voices.ItemAt(7));
  sender.WaitUntilIdle();
  EXPECT_EQ(line.sent.back(), HeldLine::Shown(*voices.ItemAt(7)));
  EXPECT_EQ(line.failures.size(), 1u);
}

}  // namespace

// The system port layer on a real MIDI server: a JACK server of the test's own on its dummy
// backend, the simulated synthesizer on ports of its own there, and the devices and transfers
// reaching it through RtMidi. JACK calls the input side from its own thread.

#include <gtest/gtest.h>

#include "midi/ports/AuditionSender.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiTransfer.h"
#include "midi/ports/RtMidiPortLayer.h"
#include "model/Bank.h"
#include "model/BankLayouts.h"
#include "simulator/JackServerProcess.h"
#include "simulator/SimulatorPorts.h"
#include "tests/support/SimulatedPortsTest.h"

namespace {

using test::Image;

TEST(StableMidiPortNamesTest, NamesKeepNoNumbersSayTheirSystemAndLeaveOurOwnOut) {
  struct Case {
    MidiSystem system;
    std::vector<std::string> raw;
    std::vector<std::optional<std::string>> shown;
  };
  const Case cases[] = {
      {MidiSystem::kAlsa,
       {"UM-ONE:UM-ONE MIDI 1 20:0", "Midi Through:Midi Through Port-0 14:0",
        "Corvale:Corvale Input 128:0"},
       {"UM-ONE MIDI 1 (ALSA)", "Midi Through Port-0 (ALSA)", std::nullopt}},
      {MidiSystem::kJack,
       {"a2j:midi_out", "synth:midi_out", "Corvale-01:Corvale Output",
        "Simulated S80 Out:Simulated S80", "Corvale Tools:x"},
       {"a2j:midi_out (JACK)", "synth:midi_out (JACK)", std::nullopt, "Simulated S80 (JACK)",
        "x (JACK)"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StableMidiPortNames(c.system, c.raw), c.shown);
  }
}

Item& FirstOf(S2A_File& document, const BankLayout& layout) {
  return *layout.bankIn(document).ItemAt(0);
}

// The devices on the system's ports, with a JACK server of the test's own running and the
// simulated synthesizer's ports on it.
class JackPortsTest : public test::SimulatedPortsTest {
 protected:
  void SetUp() override {
    if (!JackServerProcess::Installed()) {
      GTEST_SKIP() << "jackd is not installed";
    }
    test::SimulatedPortsTest::SetUp();
    InstallMidiPortLayer(MakeRtMidiPortLayer());
    StartServer(1024);
  }

  void StartServer(int framesPerPeriod) {
    ports_.reset();
    server_.reset();
    std::string error;
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    server_ = JackServerProcess::Start("corvale-" + test, error, framesPerPeriod);
    ASSERT_NE(server_, nullptr) << error;
    S2A_File memory;
    DemoBank::FillDocument(memory, 7);
    synthesizer_ = std::make_shared<SimulatedS80>();
    synthesizer_->LoadMemory(memory);
    ports_ = std::make_unique<SimulatorPorts>(synthesizer_, nullptr);
    ASSERT_EQ(ports_->Open(), std::vector{MidiSystem::kJack});
  }

  void TearDown() override {
    if (!server_) {
      return;
    }
    test::SimulatedPortsTest::TearDown();
    ports_.reset();
    server_.reset();
  }

  // The simulator's ports, made current as a user would pick them.
  void SelectSimulator() {
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    Control().ListInputDevices(inputs);
    Control().ListOutputDevices(outputs);
    ASSERT_EQ(inputs, std::vector<std::string>{"Simulated S80 (JACK)"});
    ASSERT_EQ(outputs, std::vector<std::string>{"Simulated S80 (JACK)"});
    Control().SelectInputDevice(0);
    Control().SelectOutputDevice(0);
    // What a missed cycle loses on the way back is asked for again.
    Control().UseReceiveRetries(5);
    WaitUntilAnswered();
  }

  void WaitUntilAnswered() {
    // A client's first cycles can overrun when its thread starts slowly (under the thread
    // sanitizer, always), and the server drops what overrun cycles carry: wait until a request
    // and its answer have gone through.
    S2A_File scratch;
    for (int attempt = 0; attempt < kReadyAttempts; ++attempt) {
      if (MidiTransfer::ReceiveFromBuffer(Control(), FirstOf(scratch, kInternalPerformanceLayout),
                                          {}) == 0) {
        return;
      }
    }
    FAIL() << "the simulator did not answer through the server";
  }

  // A JACK client that misses cycles (any client on a loaded machine) loses the messages those
  // cycles carry, and a send alone cannot tell: a verified one reads the item back and sends it
  // again when it differs or did not come back whole. Where that holds after the second send
  // too, the whole verified send once more, up to three times.
  int SendVerified(const Item& item) {
    Control().UseVerifyAfterSending(true);
    int result = -1;
    MidiTransfer::SendReport report;
    for (int attempt = 0; attempt < 3 && result != 0; ++attempt) {
      result = MidiTransfer::Send(Control(), item, {}, &report);
      if (result != 0 && !report.differs && !report.unreadable) {
        break;
      }
    }
    return result;
  }

  static constexpr int kReadyAttempts = 10;

  std::unique_ptr<JackServerProcess> server_;
  std::unique_ptr<SimulatorPorts> ports_;
};

TEST_F(JackPortsTest, ItemsOfEveryKindCrossTheServerByteForByte) {
  SelectSimulator();
  const auto memory = synthesizer_->MemorySnapshot();
  for (const BankLayout* layout :
       {&kInternalInstrumentLayout, &kExternalPercussionLayout, &kInternalPerformanceLayout}) {
    Item& item = FirstOf(document_, *layout);
    ASSERT_EQ(MidiTransfer::Receive(Control(), item, {}), 0) << layout->word;
    EXPECT_EQ(Image(item), Image(FirstOf(*memory, *layout))) << layout->word;

    item.SetName("Sent back");
    ASSERT_EQ(SendVerified(item), 0) << layout->word;
    EXPECT_EQ(Image(FirstOf(*synthesizer_->MemorySnapshot(), *layout)), Image(item));
  }
}

// A server with long periods holds every message back for up to two of them: 341 ms here,
// longer than the built-in quiet time, before the first byte of the answer arrives.
TEST_F(JackPortsTest, LongPeriodsOfTheServerDoNotEndAReceiveEarly) {
  StartServer(8192);
  SettingsStore::WriteSettingInteger(Settings::kMidiInputTimeout, 25);  // the built-in value
  SelectSimulator();
  Item& item = FirstOf(document_, kInternalInstrumentLayout);
  ASSERT_EQ(MidiTransfer::Receive(Control(), item, {}), 0);
  EXPECT_EQ(Image(item),
            Image(FirstOf(*synthesizer_->MemorySnapshot(), kInternalInstrumentLayout)));
}

// The synthesizer's program ends (its ports go) and starts again: a send in between fails at
// once, naming the port; after a refresh the same ports carry transfers again.
TEST_F(JackPortsTest, ASynthesizerThatGoesIsNamedAndOneThatComesBackIsReachedAgain) {
  SelectSimulator();
  ports_.reset();
  EXPECT_TRUE(Control().CurrentOutputGone());
  Item& item = FirstOf(document_, kInternalInstrumentLayout);
  EXPECT_EQ(MidiTransfer::Send(Control(), item, {}), -1);
  EXPECT_EQ(errors_,
            std::vector<std::string>{
                "Nothing is connected to the MIDI output \"Simulated S80 (JACK)\" any more"});
  errors_.clear();

  ports_ = std::make_unique<SimulatorPorts>(synthesizer_, nullptr);
  ASSERT_EQ(ports_->Open(), std::vector{MidiSystem::kJack});
  Control().RefreshDevices();
  EXPECT_FALSE(Control().CurrentOutputGone());
  EXPECT_FALSE(Control().CurrentInputGone());
  WaitUntilAnswered();
  ASSERT_EQ(MidiTransfer::Receive(Control(), item, {}), 0);
  EXPECT_EQ(Image(item),
            Image(FirstOf(*synthesizer_->MemorySnapshot(), kInternalInstrumentLayout)));
}

TEST_F(JackPortsTest, AServerThatStopsLeavesPortsThatReportAndNothingCrashes) {
  SelectSimulator();
  Item& item = FirstOf(document_, kInternalInstrumentLayout);
  const std::vector<std::uint8_t> before = Image(item);
  server_->Stop();
  EXPECT_EQ(MidiTransfer::Receive(Control(), item, {}), -1);
  EXPECT_EQ(Image(item), before);
  // Once: a receive does not ask again through a port whose server has gone.
  EXPECT_EQ(errors_,
            std::vector<std::string>{
                "Nothing is connected to the MIDI output \"Simulated S80 (JACK)\" any more"});
  errors_.clear();

  control_.reset();  // the next handle lists the ports afresh
  std::vector<std::string> inputs;
  Control().ListInputDevices(inputs);
  EXPECT_EQ(inputs, std::vector<std::string>{});
}

// Audition through the server: the kit chosen last is in the edit buffer, read back (one lost
// to a missed cycle is chosen again, as a user would click it again). Once the simulator's ports
// have gone, the next choice fails once, naming the port.
TEST_F(JackPortsTest, AuditionLeavesTheProgramChosenLastAndStopsOnceTheSynthesizerGoes) {
  SelectSimulator();
  std::vector<std::string> failures;
  AuditionSender sender(Control(), [&](const std::string& error) { failures.push_back(error); });
  sender.Choose(FirstOf(document_, kInternalInstrumentLayout));
  const Item& kit = FirstOf(document_, kExternalPercussionLayout);
  S2A_File scratch;
  Item& readBack = FirstOf(scratch, kInternalPercussionLayout);
  for (int attempt = 0; attempt < 3 && Image(readBack) != Image(kit); ++attempt) {
    sender.Choose(kit);
    sender.WaitUntilIdle();
    ASSERT_EQ(MidiTransfer::ReceiveFromBuffer(Control(), readBack, {}), 0);
  }
  EXPECT_EQ(Image(readBack), Image(kit));

  ports_.reset();
  sender.Choose(kit);
  sender.Choose(FirstOf(document_, kInternalInstrumentLayout));
  sender.WaitUntilIdle();
  EXPECT_EQ(failures, std::vector<std::string>{
                          MidiErrors::NothingConnected("output", "Simulated S80 (JACK)")});
}

}  // namespace

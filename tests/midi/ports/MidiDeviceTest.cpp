#include "midi/ports/MidiDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/MidiInputQueue.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/ports/MidiWaitClock.h"
#include "settings/SettingsStore.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Ports with given names. Input ports hand the test their queue, so it can play the part of
// the port's thread; output ports record what is sent.
struct FakePorts {
  std::vector<std::string> inputNames;
  std::vector<std::string> outputNames;
  int inputOpens = 0;
  int outputOpens = 0;
  // What the open output port was connected to has gone; a port opened afresh finds it again.
  bool outputGone = false;
  MidiInputQueue* openQueue = nullptr;
  int bytesPerSecond = 0;
  std::vector<Bytes> sent;
  // Played into the open queue, from another thread, right after a System Exclusive string
  // is sent (the answer to a request): each piece after its pause.
  std::vector<std::pair<std::chrono::microseconds, Bytes>> answer;
  std::thread answering;
};

class FakeInput : public MidiInputConnection {
 public:
  explicit FakeInput(FakePorts& ports) : ports_(ports) {}
  ~FakeInput() override {
    if (ports_.answering.joinable()) {
      ports_.answering.join();
    }
    ports_.openQueue = nullptr;
  }
  int BytesPerSecond() const override { return ports_.bytesPerSecond; }

 private:
  FakePorts& ports_;
};

class FakeOutput : public MidiOutputConnection {
 public:
  explicit FakeOutput(FakePorts& ports) : ports_(ports) {}
  int SendShortMessage(std::span<const std::uint8_t> message) override {
    if (ports_.outputGone) {
      return -1;
    }
    ports_.sent.emplace_back(message.begin(), message.end());
    return 0;
  }
  bool Disconnected() const override { return ports_.outputGone; }
  int SendSysEx(std::span<const std::uint8_t> bytes, const std::atomic<bool>*) override {
    if (ports_.outputGone) {
      return -1;
    }
    ports_.sent.emplace_back(bytes.begin(), bytes.end());
    if (ports_.openQueue != nullptr && !ports_.answer.empty()) {
      if (ports_.answering.joinable()) {
        ports_.answering.join();
      }
      ports_.answering = std::thread([queue = ports_.openQueue, answer = ports_.answer] {
        for (const auto& [pause, bytes] : answer) {
          std::this_thread::sleep_for(pause);
          queue->Receive(bytes);
        }
      });
    }
    return 0;
  }

 private:
  FakePorts& ports_;
};

class FakePortLayer : public MidiPortLayer {
 public:
  explicit FakePortLayer(FakePorts& ports) : ports_(ports) {}
  int InputPortCount() override { return static_cast<int>(ports_.inputNames.size()); }
  int OutputPortCount() override { return static_cast<int>(ports_.outputNames.size()); }
  std::optional<std::string> InputPortName(int port) override { return ports_.inputNames[port]; }
  std::optional<std::string> OutputPortName(int port) override { return ports_.outputNames[port]; }
  std::unique_ptr<MidiInputConnection> OpenInputPort(int, MidiInputQueue& queue) override {
    ++ports_.inputOpens;
    ports_.openQueue = &queue;
    return std::make_unique<FakeInput>(ports_);
  }
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int) override {
    ++ports_.outputOpens;
    ports_.outputGone = false;
    return std::make_unique<FakeOutput>(ports_);
  }

 private:
  FakePorts& ports_;
};

// A clock that moves only when the wait sleeps on it, each sleep to its end. Then, before the
// sleep returns, `onSleep` is told its number (from 1) and may move the clock on further, as a
// thread held up would find it, and play bytes into the port.
class SteppedClock : public MidiWaitClock {
 public:
  std::function<void(int sleep)> onSleep;

  TimePoint Now() const override { return now_.load(); }
  void SleepUntil(TimePoint end) override {
    now_.store(std::max(now_.load(), end));
    if (onSleep) {
      onSleep(++sleeps_);
    }
  }
  void Advance(std::chrono::milliseconds time) { now_.store(now_.load() + time); }

 private:
  std::atomic<TimePoint> now_{};
  int sleeps_ = 0;
};

// A System Exclusive message of `size` bytes.
Bytes SysEx(std::size_t size, std::uint8_t fill = 0x11) {
  Bytes message(size, fill);
  message.front() = 0xF0;
  message.back() = 0xF7;
  return message;
}

Bytes Concatenated(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

class MidiDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseNoConfiguration(dir_);
    ports_.inputNames = {"In A"};
    ports_.outputNames = {"Out A"};
    previousErrors_ =
        SetMidiErrorHandler([this](const std::string& text, const std::string& caption) {
          errors_.push_back(caption + ": " + text);
        });
  }
  void TearDown() override {
    ASSERT_EQ(MidiControl::HandleCount(), 0);
    InstallMidiPortLayer(nullptr);
    SetMidiErrorHandler(std::move(previousErrors_));
  }
  void InstallPorts() { InstallMidiPortLayer(std::make_unique<FakePortLayer>(ports_)); }

  // Collects into a 16384-byte target with the request F0 ... F7.
  Bytes Dump(MidiControl& control, std::size_t targetSize = 16384) {
    Bytes target(targetSize, 0);
    const Bytes request{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x0F, 0x00, 0xF7};
    const int count =
        control.CurrentInputDevice()->DoSysxDump(request, control.CurrentOutputDevice(), target);
    target.resize(static_cast<std::size_t>(std::max(count, 0)));
    return target;
  }
  MidiInDevice& Input(MidiControl& control) {
    return static_cast<MidiInDevice&>(*control.CurrentInputDevice());
  }

  test::TempDir dir_;
  FakePorts ports_;
  std::vector<std::string> errors_;
  MidiErrorHandler previousErrors_;
};

TEST_F(MidiDeviceTest, StoredPortNamesPickTheLastMatchOrTheFirstPort) {
  ports_.inputNames = {"In A", "Twin", "In C", "Twin"};
  ports_.outputNames = {"Out A", "Out B"};
  SettingsStore::WriteSettingString("MidiInputDeviceName", "Twin");
  SettingsStore::WriteSettingString("MidiOutputDeviceName", "Nowhere");
  InstallPorts();
  MidiControl control;
  EXPECT_EQ(control.InputDeviceIndex(), 3);
  EXPECT_EQ(control.OutputDeviceIndex(), 0);
  EXPECT_TRUE(control.CurrentInputDevice()->IsOpen());
  EXPECT_TRUE(control.CurrentOutputDevice()->IsOpen());
  EXPECT_FALSE(control.InputDevice(1)->IsOpen());
  EXPECT_EQ(ports_.inputOpens, 1);
  std::vector<std::string> names{"stale"};
  control.ListInputDevices(names);
  EXPECT_EQ(names, ports_.inputNames);
}

TEST_F(MidiDeviceTest, SelectingAPortSwitchesStoresItsNameAndReselectingOpensItAfresh) {
  ports_.outputNames = {"Out A", "Out B"};
  InstallPorts();
  {
    MidiControl control;
    control.SelectOutputDevice(1);
    EXPECT_EQ(control.OutputDeviceIndex(), 1);
    EXPECT_FALSE(control.OutputDevice(0)->IsOpen());
    EXPECT_TRUE(control.OutputDevice(1)->IsOpen());
    EXPECT_EQ(SettingsStore::ReadSettingString("MidiOutputDeviceName", ""), "Out B");

    // The way back to a port that went away and came back under its name.
    SettingsStore::WriteSettingString("MidiOutputDeviceName", "changed elsewhere");
    control.SelectOutputDevice(1);
    EXPECT_EQ(ports_.outputOpens, 3);
    EXPECT_EQ(SettingsStore::ReadSettingString("MidiOutputDeviceName", ""), "Out B");
    control.SelectOutputDevice(2);
    control.SelectOutputDevice(-1);
    EXPECT_EQ(ports_.outputOpens, 3);

    // For one run only: the stored name stays.
    control.UseOutputDevice(0);
    EXPECT_EQ(control.OutputDeviceIndex(), 0);
    EXPECT_EQ(SettingsStore::ReadSettingString("MidiOutputDeviceName", ""), "Out B");
  }
  // The last handle closes everything; the next one enumerates and opens again.
  MidiControl again;
  EXPECT_EQ(again.OutputDeviceIndex(), 1);
  EXPECT_EQ(ports_.outputOpens, 5);
}

// Ports come and go while the program runs: a refresh lists them as they are now, keeps the
// port in use where it is still there (open as it was), opens it afresh once it had gone and
// came back, and falls back to the stored port, else the first, when it is gone for good.
TEST_F(MidiDeviceTest, RefreshFollowsPortsThatCameAndWentAndAGonePortSaysSo) {
  ports_.outputNames = {"Out A", "Out B"};
  SettingsStore::WriteSettingString("MidiOutputDeviceName", "Out B");
  InstallPorts();
  MidiControl control;
  control.UseOutputDevice(0);
  ports_.outputNames = {"New", "Out B", "Out A"};
  control.RefreshDevices();
  std::vector<std::string> names;
  control.ListOutputDevices(names);
  EXPECT_EQ(names, ports_.outputNames);
  EXPECT_EQ(control.OutputDeviceIndex(), 2);
  EXPECT_EQ(control.CurrentOutputDevice()->PortNumber(), 2);
  EXPECT_EQ(ports_.outputOpens, 2);

  ports_.outputGone = true;
  EXPECT_TRUE(control.CurrentOutputGone());
  EXPECT_EQ(control.CurrentOutputDevice()->SendLongMsg(SysEx(10)), -1);
  EXPECT_EQ(control.CurrentOutputDevice()->SendMessage(0xC0, 0, 1, 0), -1);
  const std::string gone = "Nothing is connected to the MIDI output \"Out A\" any more";
  EXPECT_EQ(errors_,
            (std::vector<std::string>{"MidiSendLongMsg: " + gone, "Midi SendMessage: " + gone}));
  control.RefreshDevices();
  EXPECT_EQ(ports_.outputOpens, 3);
  EXPECT_FALSE(control.CurrentOutputGone());
  EXPECT_EQ(control.CurrentOutputDevice()->SendLongMsg(SysEx(10)), 0);

  // Gone for good: the stored port, else the first.
  for (const auto& [names, current] : {std::pair{std::vector<std::string>{"New", "Out B"}, 1},
                                       std::pair{std::vector<std::string>{"New"}, 0}}) {
    ports_.outputNames = names;
    control.RefreshDevices();
    EXPECT_EQ(control.OutputDeviceIndex(), current);
  }
}

TEST_F(MidiDeviceTest, StoredBufferNumbersApplyToThePortOpenedAtStart) {
  SettingsStore::WriteSettingInteger("MidiInputBufNumber", 40);
  SettingsStore::WriteSettingInteger("MidiInputBufSize", 100);
  SettingsStore::WriteSettingString("MidiInputTimeout", "not a number");
  InstallPorts();
  MidiControl control;
  EXPECT_EQ(control.InputTimeout(), 25);
  EXPECT_EQ(Input(control).BufferCount(), 40);
  EXPECT_EQ(control.InputBufferSize(), 100);
}

TEST_F(MidiDeviceTest, ChangingABufferNumberRebuildsTheBuffersAndTheSameValueOnlyWritesIt) {
  InstallPorts();
  MidiControl control;
  EXPECT_EQ(Input(control).BufferCount(), 512);
  control.SetInputBufferCount(512);
  EXPECT_EQ(ports_.inputOpens, 1);
  EXPECT_EQ(SettingsStore::ReadSettingInteger("MidiInputBufNumber", 0), 512);

  control.SetInputBufferCount(3);
  EXPECT_EQ(ports_.inputOpens, 2);
  EXPECT_EQ(Input(control).BufferCount(), 3);
  control.SetInputBufferSize(64);
  EXPECT_EQ(ports_.inputOpens, 3);
  control.SetInputTimeout(7);
  EXPECT_EQ(ports_.inputOpens, 3);
  EXPECT_EQ(SettingsStore::ReadSettingInteger("MidiInputTimeout", 0), 7);

  // Three buffers take three messages; the fourth finds none.
  control.SetInputTimeout(test::kPatientQuietMs);
  ports_.answer = {{0us, Concatenated({SysEx(20), SysEx(20), SysEx(20), SysEx(20)})}};
  EXPECT_EQ(Dump(control).size(), 60u);
}

TEST_F(MidiDeviceTest, AQuietLineEndsTheDumpAfterTheTimeoutPlusOneBufferOfWireTime) {
  InstallPorts();
  MidiControl control;
  SteppedClock clock;
  MidiInDevice& input = Input(control);
  input.UseClock(clock);
  // On a port without a wire rate the timeout alone counts; 0 and 1 wait one step.
  for (const int timeout : {0, 1}) {
    control.SetInputTimeout(timeout);
    EXPECT_EQ(Dump(control).size(), 0u);
    EXPECT_EQ(input.LastWait(), 1ms);
  }
  control.SetInputTimeout(25);
  EXPECT_EQ(input.QuietLimit(), 25);
  control.CurrentInputDevice()->Close();
  // A DIN port: a full 256-byte buffer takes 82 ms to arrive.
  ports_.bytesPerSecond = 3125;
  control.CurrentInputDevice()->Open();
  EXPECT_EQ(input.QuietLimit(), 25 + 82);
  Dump(control);
  EXPECT_EQ(input.LastWait(), 107ms);
}

// A waiting thread held up for seconds (a loaded machine) while the answer went on arriving
// finds a buffer completed just now: the quiet counts from it, and the rest of the answer is
// still taken. A hold-up with nothing arriving ends the wait at once.
TEST_F(MidiDeviceTest, QuietCountsFromTheLastBufferOnTheClockNotFromTheWaitsOwnSteps) {
  InstallPorts();
  MidiControl control;
  control.SetInputTimeout(100);
  const Bytes first = SysEx(20, 1);
  const Bytes second = SysEx(20, 2);
  const struct {
    const char* hold;
    bool answerArrives;
    Bytes expected;
    std::chrono::milliseconds wait;
  } cases[] = {
      {"during the answer", true, Concatenated({first, second}), 5000ms + 3ms + 50ms + 100ms},
      {"on a quiet line", false, {}, 5000ms + 3ms}};
  for (const auto& [hold, answerArrives, expected, wait] : cases) {
    SteppedClock clock;
    MidiInDevice& input = Input(control);
    input.UseClock(clock);
    MidiInputQueue& port = *ports_.openQueue;
    clock.onSleep = [&, answerArrives = answerArrives](int sleep) {
      if (sleep == 3) {
        clock.Advance(5000ms);
        if (answerArrives) {
          port.Receive(first);
        }
      } else if (sleep == 3 + 50 && answerArrives) {
        port.Receive(second);
      }
    };
    Bytes target(16384);
    const int count = input.DoSysxDump({}, nullptr, target);
    target.resize(static_cast<std::size_t>(count));
    EXPECT_EQ(target, expected) << hold;
    EXPECT_EQ(input.LastWait(), wait) << hold;
    input.UseClock(MidiWaitClock::System());
  }
}

// Each gap well under the quiet limit, so that a loaded machine's late wake-ups keep it under,
// and all of them together over it: the limit counts from the last buffer.
TEST_F(MidiDeviceTest, AnAnswerArrivingInBuffersUnderTheQuietLimitApartIsCollectedWhole) {
  InstallPorts();
  MidiControl control;
  control.SetInputTimeout(400);
  std::vector<Bytes> messages;
  for (int i = 0; i < 6; ++i) {
    messages.push_back(SysEx(30, static_cast<std::uint8_t>(i)));
    ports_.answer.emplace_back(i == 0 ? 0ms : 100ms, messages.back());
  }
  EXPECT_EQ(Dump(control), Concatenated(messages));
}

TEST_F(MidiDeviceTest, AMessageLongerThanABufferArrivesInPiecesAndIsDeliveredInOrder) {
  InstallPorts();
  MidiControl control;
  control.SetInputTimeout(test::kPatientQuietMs);
  const Bytes message = SysEx(300, 0x22);
  // It may reach the port in pieces of any length.
  ports_.answer = {{0us, Bytes(message.begin(), message.begin() + 100)},
                   {1ms, Bytes(message.begin() + 100, message.end())}};
  EXPECT_EQ(Dump(control), message);
}

TEST_F(MidiDeviceTest, ABufferThatExactlyFillsTheRestOfTheTargetIsDelivered) {
  InstallPorts();
  MidiControl control;
  control.SetInputTimeout(test::kPatientQuietMs);
  const Bytes first = SysEx(60, 1);
  const Bytes second = SysEx(40, 2);
  const Bytes third = SysEx(10, 3);
  ports_.answer = {{0us, Concatenated({first, second, third})}};
  // 100 bytes of room: the first two fill it exactly; the third does not fit.
  EXPECT_EQ(Dump(control, 100), Concatenated({first, second}));
  // 90 bytes: the second does not fit and is left out, the third still does.
  EXPECT_EQ(Dump(control, 90), Concatenated({first, third}));
}

TEST_F(MidiDeviceTest, DeliveryKeepsArrivalOrderWhenTheBuffersWrapPastTheLastIndex) {
  InstallPorts();
  MidiControl control;
  control.SetInputBufferCount(4);
  control.SetInputTimeout(test::kPatientQuietMs);
  ports_.answer = {{0us, Concatenated({SysEx(10, 1), SysEx(10, 2), SysEx(10, 3)})}};
  Dump(control);  // buffers 0-2 used, now queued behind 3
  std::vector<Bytes> messages{SysEx(10, 4), SysEx(300, 5), SysEx(10, 6)};
  ports_.answer = {{0us, Concatenated(messages)}};
  EXPECT_EQ(Dump(control), Concatenated(messages));
}

TEST_F(MidiDeviceTest, ADumpWithoutRequestOnlyListensAndNothingIsRecordedOutsideADump) {
  InstallPorts();
  MidiControl control;
  control.SetInputTimeout(500);
  MidiDevice& input = *control.CurrentInputDevice();
  ports_.openQueue->Receive(SysEx(12));  // between dumps: not recorded
  Bytes target(16384);
  // Late enough that the dump has started listening, however slowly a loaded machine runs this
  // thread, and well inside its quiet limit.
  std::thread late([queue = ports_.openQueue] {
    std::this_thread::sleep_for(100ms);
    queue->Receive(SysEx(12, 0x33));
  });
  EXPECT_EQ(input.DoSysxDump({}, nullptr, target), 12);
  late.join();
  EXPECT_EQ(Bytes(target.begin(), target.begin() + 12), SysEx(12, 0x33));
  EXPECT_TRUE(ports_.sent.empty());
  // Channel messages are not System Exclusive and are not recorded.
  ports_.answer = {{0us, Bytes{0x90, 0x40, 0x7F, 0xB0, 0x07, 0x64}}};
  EXPECT_EQ(Dump(control).size(), 0u);
}

TEST_F(MidiDeviceTest, PortsInTheWrongDirectionOrClosedReportAndRefuse) {
  InstallPorts();
  MidiControl control;
  MidiDevice& input = *control.CurrentInputDevice();
  MidiDevice& output = *control.CurrentOutputDevice();
  Bytes target(16);
  EXPECT_EQ(input.SendMessage(0xC0, 0, 5, 0), -1);
  EXPECT_EQ(input.SendLongMsg(SysEx(8)), -1);
  EXPECT_EQ(output.DoSysxDump({}, nullptr, target), -1);
  output.Close();
  EXPECT_EQ(output.SendMessage(0xB0, 0, 0, 63), -1);
  EXPECT_EQ(output.SendLongMsg(SysEx(8)), -1);
  EXPECT_EQ(errors_, (std::vector<std::string>{
                         "Midi SendMessage: Must use a MIDI output device",
                         "Midi SendMessage: Must use a MIDI output device",
                         "Midi DoSysxDump: Must use a MIDI input device",
                         "Midi SendMessage: Must open MIDI output device first",
                         "Midi SendMessage: Must open MIDI output device first",
                     }));
  EXPECT_TRUE(ports_.sent.empty());
  output.Open();
  // A program change takes one data byte, a control change two.
  EXPECT_EQ(output.SendMessage(0xC0, 0, 5, 0), 0);
  EXPECT_EQ(output.SendMessage(0xB0, 0, 0x20, 8), 0);
  EXPECT_EQ(ports_.sent, (std::vector<Bytes>{{0xC0, 0x05}, {0xB0, 0x20, 0x08}}));
}

TEST_F(MidiDeviceTest, ASystemWithoutPortsHasNoCurrentDevices) {
  ports_.inputNames.clear();
  ports_.outputNames.clear();
  InstallPorts();
  MidiControl control;
  EXPECT_EQ(control.CurrentInputDevice(), nullptr);
  EXPECT_EQ(control.CurrentOutputDevice(), nullptr);
  EXPECT_EQ(control.InputDeviceIndex(), -1);
  control.SelectInputDevice(0);
  EXPECT_EQ(control.InputDeviceIndex(), -1);
}

}  // namespace

#include "midi/ports/RtMidiPortLayer.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "midi/ports/MidiInputQueue.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the layer answers about one port, asked with stdout and stderr captured.
struct PortAnswers {
  int inputs = -1;
  int outputs = -1;
  std::optional<std::string> inputName;
  std::optional<std::string> outputName;
  bool inputOpened = true;
  bool outputOpened = true;
  bool negativePortAnswered = true;
  std::string printed;
};

// `port` of -1 means one past the last port in each direction.
PortAnswers AskAbout(int port) {
  PortAnswers answers;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  {
    auto layer = MakeRtMidiPortLayer();
    answers.inputs = layer->InputPortCount();
    answers.outputs = layer->OutputPortCount();
    const int in = port < 0 ? answers.inputs : port;
    const int out = port < 0 ? answers.outputs : port;
    answers.inputName = layer->InputPortName(in);
    answers.outputName = layer->OutputPortName(out);
    MidiInputQueue queue;
    answers.inputOpened = layer->OpenInputPort(in, queue) != nullptr;
    answers.outputOpened = layer->OpenOutputPort(out) != nullptr;
    answers.negativePortAnswered = layer->InputPortName(-1) || layer->OutputPortName(-1) ||
                                   layer->OpenInputPort(-1, queue) || layer->OpenOutputPort(-1);
  }
  answers.printed += testing::internal::GetCapturedStderr();
  answers.printed += testing::internal::GetCapturedStdout();
  return answers;
}

TEST(RtMidiPortLayerTest, PortsPastTheLastAreNoneAndNothingIsPrinted) {
  const PortAnswers answers = AskAbout(-1);
  EXPECT_GE(answers.inputs, 0);
  EXPECT_GE(answers.outputs, 0);
  EXPECT_EQ(answers.inputName, std::nullopt);
  EXPECT_EQ(answers.outputName, std::nullopt);
  EXPECT_FALSE(answers.inputOpened);
  EXPECT_FALSE(answers.outputOpened);
  EXPECT_FALSE(answers.negativePortAnswered);
  EXPECT_EQ(answers.printed, "");
}

TEST(RtMidiPortLayerTest, WithoutSequencerThereAreNoPorts) {
  if (::access("/dev/snd/seq", F_OK) == 0) {
    GTEST_SKIP() << "this system has an ALSA sequencer";
  }
  const PortAnswers answers = AskAbout(0);
  EXPECT_EQ(answers.inputs, 0);
  EXPECT_EQ(answers.outputs, 0);
  EXPECT_EQ(answers.inputName, std::nullopt);
  EXPECT_EQ(answers.outputName, std::nullopt);
  EXPECT_FALSE(answers.inputOpened);
  EXPECT_FALSE(answers.outputOpened);
  EXPECT_EQ(answers.printed, "");
}

TEST(RtMidiPortLayerTest, SysExGoesOutOneWholeMessageAtATime) {
  const Bytes bytes = {0x01, 0xF0, 0x43, 0xF7, 0xF0, 0x7E, 0x00, 0xF7, 0x02, 0xF0, 0x44};
  std::vector<Bytes> sent;
  const auto send = [&](std::span<const std::uint8_t> message) {
    sent.emplace_back(message.begin(), message.end());
    return 0;
  };
  EXPECT_EQ(SendSysExPaced(bytes, 0, std::chrono::milliseconds(0), send), 0);
  EXPECT_EQ(sent, (std::vector<Bytes>{{0xF0, 0x43, 0xF7}, {0xF0, 0x7E, 0x00, 0xF7}}));
}

TEST(RtMidiPortLayerTest, SysExStopsAtARefusedMessageOrBeforeTheNextOnceStopIsSet) {
  const Bytes bytes = {0xF0, 0x01, 0xF7, 0xF0, 0x02, 0xF7, 0xF0, 0x03, 0xF7};
  for (const bool refuse : {true, false}) {
    std::atomic<bool> stop{false};
    int calls = 0;
    const auto send = [&](std::span<const std::uint8_t>) {
      ++calls;
      if (calls == 2) {
        stop.store(!refuse);
        return refuse ? -1 : 0;
      }
      return 0;
    };
    EXPECT_EQ(SendSysExPaced(bytes, 0, std::chrono::milliseconds(0), send, &stop), -1);
    EXPECT_EQ(calls, 2) << (refuse ? "refused" : "stopped");
  }
}

TEST(RtMidiPortLayerTest, SysExIsNotSentFasterThanTheWireNorWithoutThePauses) {
  // 1000 bytes at 10000 a second take 100 ms; four pauses of 25 ms add 100 ms more.
  Bytes bytes;
  for (int message = 0; message < 4; ++message) {
    bytes.push_back(0xF0);
    bytes.insert(bytes.end(), 248, 0x00);
    bytes.push_back(0xF7);
  }
  const auto send = [](std::span<const std::uint8_t>) { return 0; };

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendSysExPaced(bytes, 10000, std::chrono::milliseconds(0), send), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));

  start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendSysExPaced(bytes, 10000, std::chrono::milliseconds(25), send), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(195));
}

}  // namespace

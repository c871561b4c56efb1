#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/MidiPortLayer.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"
#include "tests/support/TestSupport.h"

namespace test {

// The real devices on the loopback ports of a simulated synthesizer that answers at once, a
// demonstration document, and the port errors reported, which a test must have taken (and
// cleared) by its end.
class SimulatedPortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseNoConfiguration(dir_);
    SettingsStore::WriteSettingInteger(Settings::kMidiInputTimeout, kPatientQuietMs);
    DemoBank::FillDocument(document_, 3);
    synthesizer_ = std::make_shared<SimulatedS80>(0);
    InstallMidiPortLayer(std::make_unique<LoopbackPortLayer>(synthesizer_));
    previousErrors_ = SetMidiErrorHandler(
        [this](const std::string& text, const std::string&) { errors_.push_back(text); });
  }
  void TearDown() override {
    control_.reset();
    InstallMidiPortLayer(nullptr);
    SetMidiErrorHandler(std::move(previousErrors_));
    EXPECT_TRUE(errors_.empty());
  }
  MidiControl& Control() {
    if (!control_) {
      control_ = std::make_unique<MidiControl>();
    }
    return *control_;
  }

  TempDir dir_;
  S2A_File document_;
  std::shared_ptr<SimulatedS80> synthesizer_;
  std::unique_ptr<MidiControl> control_;
  std::vector<std::string> errors_;
  MidiErrorHandler previousErrors_;
};

inline std::vector<std::uint8_t> Image(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

}  // namespace test

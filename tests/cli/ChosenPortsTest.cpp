#include "cli/ChosenPorts.h"

#include <gtest/gtest.h>

// A port is named by its number from 1 or by a part of its name that no other name holds, in
// any letter case; a whole name names its port even where another name holds it. Anything else
// names none, and the error lists the ports that could be meant. A number is always a number.
TEST(ChosenPortsTest, APortIsFoundByItsNumberOrAPartOfItsNameThatNoOtherHolds) {
  const std::vector<std::string> names{"Midi Through Port-0", "S80", "S80 USB MIDI"};
  const struct {
    const char* text;
    std::optional<int> found;
    const char* error;
  } cases[] = {
      {"2", 1, ""},
      {"3", 2, ""},
      {"usb", 2, ""},
      {"s80", 1, ""},
      {"THROUGH", 0, ""},
      {"4", std::nullopt, "corvale-cli: send: there is no output port 4 (see corvale-cli ports)\n"},
      {"S8", std::nullopt,
       "corvale-cli: send: the names of several output ports hold \"S8\": 2 \"S80\", 3 \"S80 USB "
       "MIDI\"; give more of the name, or its number\n"},
      {"korg", std::nullopt,
       "corvale-cli: send: no output port's name holds \"korg\" (the ports: 1 \"Midi Through "
       "Port-0\", 2 \"S80\", 3 \"S80 USB MIDI\")\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    testing::internal::CaptureStderr();
    EXPECT_EQ(FindPort("send", "output", c.text, names), c.found);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.error);
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(FindPort("send", "input", "s80", {}), std::nullopt);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "corvale-cli: send: no input port's name holds \"s80\" (there are none)\n");
}

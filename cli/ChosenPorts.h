#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class MidiControl;

// What a MIDI verb's options ask of the ports for its run.
struct PortOptions {
  // A number from 1, as `ports` numbers them, or a part of a port's name.
  std::optional<std::string> inPort;
  std::optional<std::string> outPort;
  std::optional<int> retries;  // for this run, instead of the setting
  bool verify = false;
};

enum class PortsNeeded { None, Output, InputAndOutput };

// The 0-based index of the port `text` names among `names`: by its number from 1, or by a part
// of its name in any letter case that no other port's name holds (a whole name always names its
// port). None after the usage error, which lists the ports that could be meant.
std::optional<int> FindPort(const char* verb, const char* direction, const std::string& text,
                            const std::vector<std::string>& names);

// Sets up the port layer, makes the ports `options` choose current, checks that the ones the
// verb needs are open, then runs `work`; port errors on the way become lines on standard error.
int WithPorts(const char* verb, const PortOptions& options, PortsNeeded needed,
              const std::function<int(MidiControl& control)>& work);

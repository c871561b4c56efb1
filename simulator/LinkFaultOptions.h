#pragma once

#include <span>
#include <string>
#include <string_view>

#include "simulator/SimulatedS80.h"

// The options that make the simulated synthesizer's link lose and damage messages, as
// corvale-sim takes them on its command line and CORVALE_MIDI_SIMULATOR_FAULTS holds them for
// the simulator inside a program:
//   --drop P      lose a whole message, either way, with probability P (0 to 1)
//   --corrupt P   change one data byte of a bulk dump, either way, with probability P, so that
//                 its checksum fails
//   --seed N      the same faults each run for the same messages (0 when not given)
namespace LinkFaultOptions {

inline constexpr const char* kHelp =
    "  --drop P     lose a whole message, either way, with probability P (0 to 1)\n"
    "  --corrupt P  change one data byte of a bulk dump, either way, with probability P,\n"
    "               so that its checksum fails\n"
    "  --seed N     the same faults each run (default 0)\n";

bool IsOption(std::string_view word);
// Sets one option from its value: false, with `error` saying why, for a value it does not take.
bool Set(std::string_view option, std::string_view value, SimulatedS80::Faults& faults,
         std::string& error);
// Every option in a line of words such as "--drop 0.01 --seed 1".
bool SetAll(std::string_view words, SimulatedS80::Faults& faults, std::string& error);

}  // namespace LinkFaultOptions

#pragma once

#include <span>
#include <string>

// The verbs that talk to the synthesizer: list the ports, send one item, receive one item.
int PortsVerb(std::span<const std::string> arguments);
int SendVerb(std::span<const std::string> arguments);
int ReceiveVerb(std::span<const std::string> arguments);

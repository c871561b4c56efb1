#pragma once

#include <span>
#include <string>

// The verbs that talk to the synthesizer: list the ports, send or receive one item or whole
// banks, receive every bank into a new file.
int PortsVerb(std::span<const std::string> arguments);
int SendVerb(std::span<const std::string> arguments);
int ReceiveVerb(std::span<const std::string> arguments);
int BackupVerb(std::span<const std::string> arguments);

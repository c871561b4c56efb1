#pragma once

#include <span>
#include <string>

// The verbs that talk to the synthesizer: list the ports, send or receive one item or whole
// banks, receive every bank into a new file.
int PortsVerb(std::span<const std::string> arguments);
int SendVerb(std::span<const std::string> arguments);
int ReceiveVerb(std::span<const std::string> arguments);
int BackupVerb(std::span<const std::string> arguments);

class S2A_File;
struct ItemSlot;
// Sends the item at `slot` of `document` to that slot of the synthesizer, or with `toBuffer` to
// the edit buffer of its kind; `options` are those of send (--verify, --retries, --in, --out).
int SendDocumentItem(const char* verb, std::span<const std::string> options, S2A_File& document,
                     const ItemSlot& slot, bool toBuffer);

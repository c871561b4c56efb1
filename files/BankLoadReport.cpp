#include "files/BankLoadReport.h"

#include <vector>

#include "model/CountText.h"

std::string BankLoadReport::Warning() const {
  std::vector<std::string> parts;
  if (missingItems > 0) {
    parts.push_back(
        "ends early: " + CountText(static_cast<std::size_t>(missingItems), "item", "items") +
        " missing");
  }
  const struct {
    std::size_t count;
    const char* one;
    const char* many;
    const char* rest;
  } counted[] = {
      {editBufferDumps, "dump", "dumps", " to an edit buffer placed nowhere"},
      {unknownLocationDumps, "dump", "dumps", " to an unknown location placed nowhere"},
      {incompleteDumps, "dump lacks", "dumps lack", " blocks, read as 0"},
      {skippedMessages, "message", "messages", " skipped (not item dumps or a bad checksum)"},
      {damagedMidiParts, "damaged MIDI file part", "damaged MIDI file parts", " skipped"},
      {otherMidiEvents, "other MIDI event", "other MIDI events",
       " not kept (notes, controllers, meta events)"},
      {replacedDumps, "slot", "slots", " filled twice: the later dump is kept"},
  };
  for (const auto& part : counted) {
    if (part.count > 0)
      parts.push_back(CountText(part.count, part.one, part.many) + part.rest);
  }
  std::string warning;
  for (const std::string& part : parts)
    warning += (warning.empty() ? "" : "; ") + part;
  return warning;
}

#include "midi/ports/MidiErrorReport.h"

#include <cstdio>

namespace {
MidiErrorHandler& Handler() {
  static MidiErrorHandler handler;
  return handler;
}
}  // namespace

std::string MidiErrors::NothingConnected(const char* direction, const std::string& portName) {
  return std::string("Nothing is connected to the MIDI ") + direction + " \"" + portName +
         "\" any more";
}

void ReportMidiError(const std::string& text, const std::string& caption) {
  if (Handler()) {
    Handler()(text, caption);
  } else {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
}

MidiErrorHandler SetMidiErrorHandler(MidiErrorHandler handler) {
  MidiErrorHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

#include "midi/ports/MidiErrorReport.h"

#include <cstdio>
#include <string_view>

namespace {
constexpr std::string_view kNothingConnected = "Nothing is connected to the MIDI ";

MidiErrorHandler& Handler() {
  static MidiErrorHandler handler;
  return handler;
}
thread_local ThreadMidiErrorHandler* innermostScope = nullptr;
}  // namespace

std::string MidiErrors::NothingConnected(const char* direction, const std::string& portName) {
  return std::string(kNothingConnected) + direction + " \"" + portName + "\" any more";
}

bool MidiErrors::SaysNothingConnected(const std::string& text) {
  return text.starts_with(kNothingConnected);
}

void ReportMidiError(const std::string& text, const std::string& caption) {
  if (const MidiErrorHandler* threadHandler = ThreadMidiErrorHandler::Current()) {
    (*threadHandler)(text, caption);
  } else if (Handler()) {
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

ThreadMidiErrorHandler::ThreadMidiErrorHandler(MidiErrorHandler handler)
    : handler_(std::move(handler)), outer_(innermostScope) {
  innermostScope = this;
}

ThreadMidiErrorHandler::~ThreadMidiErrorHandler() {
  innermostScope = outer_;
}

const MidiErrorHandler* ThreadMidiErrorHandler::Current() {
  return innermostScope != nullptr && innermostScope->handler_ ? &innermostScope->handler_
                                                               : nullptr;
}

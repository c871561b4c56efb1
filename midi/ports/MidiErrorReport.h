#pragma once

#include <functional>
#include <string>

// How a MIDI port error reaches the user: the window shows a modal error box with the caption,
// the command line prints one line. Without a handler: "<caption>: <text>" on standard error.
// The texts and captions of the port errors.
namespace MidiErrors {
inline constexpr const char* kSendCaption = "Midi SendMessage";
inline constexpr const char* kLongMessageCaption = "MidiSendLongMsg";
inline constexpr const char* kDumpCaption = "Midi DoSysxDump";
inline constexpr const char* kOpenOutputFirst = "Must open MIDI output device first";
inline constexpr const char* kOpenInputFirst = "Must open MIDI input device first";
inline constexpr const char* kUseOutputDevice = "Must use a MIDI output device";
inline constexpr const char* kUseInputDevice = "Must use a MIDI input device";
inline constexpr const char* kUnableToSendLong = "Unable to send a long message";
// "Nothing is connected to the MIDI output "UM-ONE MIDI 1 (ALSA)" any more": the port's
// program ended, or its cable was pulled, as far as the MIDI system can tell.
std::string NothingConnected(const char* direction, const std::string& portName);
// Whether a port error's text is such a one.
bool SaysNothingConnected(const std::string& text);
}  // namespace MidiErrors

using MidiErrorHandler = std::function<void(const std::string& text, const std::string& caption)>;

void ReportMidiError(const std::string& text, const std::string& caption);
// Replaces the handler (none: back to standard error); returns the previous one.
MidiErrorHandler SetMidiErrorHandler(MidiErrorHandler handler);

// For its life, the port errors reported on the thread that made it go to `handler` rather than
// to the handler in force, which belongs to another thread (a window's error box). Scopes on one
// thread nest.
class ThreadMidiErrorHandler {
 public:
  explicit ThreadMidiErrorHandler(MidiErrorHandler handler);
  ~ThreadMidiErrorHandler();
  ThreadMidiErrorHandler(const ThreadMidiErrorHandler&) = delete;
  ThreadMidiErrorHandler& operator=(const ThreadMidiErrorHandler&) = delete;

  // The handler of the innermost scope of the calling thread; none outside every scope.
  static const MidiErrorHandler* Current();

 private:
  MidiErrorHandler handler_;
  ThreadMidiErrorHandler* outer_;
};

#pragma once

#include <functional>
#include <string>

// How a MIDI port error reaches the user: the window shows a modal error box with the caption,
// the command line prints one line. Without a handler: "<caption>: <text>" on standard error.
using MidiErrorHandler = std::function<void(const std::string& text, const std::string& caption)>;

void ReportMidiError(const std::string& text, const std::string& caption);
// Replaces the handler (none: back to standard error); returns the previous one.
MidiErrorHandler SetMidiErrorHandler(MidiErrorHandler handler);

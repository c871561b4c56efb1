#pragma once

#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "midi/ports/MidiSystem.h"

class JackServerWatch;

// Whether the system's port a connection was opened on is still there and connected; true where
// it cannot tell.
using PortPresenceCheck = std::function<bool()>;

// For the port RtMidi names `rawName` ("client:port" on JACK, "client:port c:p" on ALSA). On JACK
// through the server's watch, on ALSA through a sequencer handle of its own.
PortPresenceCheck SystemPortPresence(MidiSystem system, const std::string& rawName,
                                     std::shared_ptr<JackServerWatch> watch);

// A JACK server shows a new connection to its clients from its next cycle on, which a loaded
// machine can hold back for a while: a port just connected to is waited for until it shows as
// connected (at most a few seconds), so that it is not taken for one that went away. Nothing to
// wait for on ALSA.
void AwaitConnectionShown(MidiSystem system, const std::string& rawName,
                          const JackServerWatch* watch);

// The client and port numbers RtMidi puts at the end of an ALSA port's name: " 20:0".
const std::regex& AlsaAddressPattern();

#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

class MidiInputQueue;

// An open output port.
class MidiOutputConnection {
 public:
  virtual ~MidiOutputConnection() = default;
  // One channel message of one to three bytes. 0, or -1 when the port refused it.
  virtual int SendShortMessage(std::span<const std::uint8_t> message) = 0;
  // A string of whole System Exclusive messages (F0 ... F7, back to back). Returns when the
  // last byte has gone out on the wire: 0, or -1 when the port refused a message or `stop`
  // (when given) was set before the last message began; a message once begun goes out whole.
  virtual int SendSysEx(std::span<const std::uint8_t> bytes, const std::atomic<bool>* stop) = 0;
  // Whether, as far as the system can tell, nothing receives what the port sends any more: the
  // port it was opened on has gone (its program ended) or lost its connection. Sends then fail.
  virtual bool Disconnected() const { return false; }
};

// An open input port. From the moment it is open until it is destroyed it hands every message
// it receives to its queue, from a thread of its own; once the destructor has returned it
// hands over nothing more.
class MidiInputConnection {
 public:
  virtual ~MidiInputConnection() = default;
  // The most bytes per second the port can bring in: the DIN wire's 3125 for a hardware port.
  virtual int BytesPerSecond() const = 0;
  // How much later than its wire the port may hand a message over: a MIDI server that passes
  // messages on once per period adds up to that much on each side.
  virtual std::chrono::milliseconds DeliveryLatency() const { return {}; }
  // Whether the system behind the port has gone (a MIDI server that stopped): nothing will
  // arrive any more.
  virtual bool SystemLost() const { return false; }
  // Whether, as far as the system can tell, the port it was opened on has gone or lost its
  // connection: nothing will arrive from it any more.
  virtual bool Disconnected() const { return SystemLost(); }
};

// The operating system's MIDI ports, numbered from 0 in each direction.
class MidiPortLayer {
 public:
  virtual ~MidiPortLayer() = default;
  virtual int InputPortCount() = 0;
  virtual int OutputPortCount() = 0;
  // The port's name, or none when the system cannot tell it.
  virtual std::optional<std::string> InputPortName(int port) = 0;
  virtual std::optional<std::string> OutputPortName(int port) = 0;
  // None when the port cannot be opened.
  virtual std::unique_ptr<MidiInputConnection> OpenInputPort(int port, MidiInputQueue& queue) = 0;
  virtual std::unique_ptr<MidiOutputConnection> OpenOutputPort(int port) = 0;
};

// The layer the MIDI devices use: the one installed last, else one without ports. A program
// installs the system's (MakeRtMidiPortLayer) as it sets up.
MidiPortLayer& CurrentMidiPortLayer();
// Replaces the layer in use (none: back to one without ports). Only while no MidiControl handle
// exists, since the devices keep their layer's connections.
void InstallMidiPortLayer(std::unique_ptr<MidiPortLayer> layer);

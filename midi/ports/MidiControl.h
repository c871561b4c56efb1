#pragma once

#include <atomic>
#include <string>
#include <vector>

class MidiDevice;

// A handle to the process's MIDI ports: the input and output devices in the system's order,
// the current one of each direction, and the numbers that govern receiving. The first handle
// enumerates the ports, reads the settings and opens the stored ports; when the last handle
// goes, every port is closed and the lists are dropped. Every handle sees the same state.
//
// Not thread-safe: the program's own thread makes handles and calls everything here.
class MidiControl {
 public:
  MidiControl();
  ~MidiControl();
  MidiControl(const MidiControl&) = delete;
  MidiControl& operator=(const MidiControl&) = delete;

  // -1 when there is no port in that direction.
  int InputDeviceIndex() const;
  int OutputDeviceIndex() const;
  // None when there is no port in that direction.
  MidiDevice* CurrentInputDevice() const;
  MidiDevice* CurrentOutputDevice() const;
  int InputDeviceCount() const;
  int OutputDeviceCount() const;
  MidiDevice* InputDevice(int index) const;
  MidiDevice* OutputDevice(int index) const;

  // Clears `list` and adds every port's name, in port order.
  void ListInputDevices(std::vector<std::string>& list) const;
  void ListOutputDevices(std::vector<std::string>& list) const;

  // Makes the port at `index` current (closing the old one, opening the new one) and stores
  // its name in the settings. The current port is opened afresh (a port that went away and
  // came back is reached again); an index outside the list changes nothing.
  void SelectInputDevice(int index);
  void SelectOutputDevice(int index);
  // The same for this run only: the settings keep the stored port.
  void UseInputDevice(int index);
  void UseOutputDevice(int index);

  // Lists the system's ports afresh: ports that came are added, ports that went are dropped.
  // The current port of each direction stays current by its name (else the stored one, else
  // the first), and is opened afresh when its port went away and came back. Only while no
  // transfer runs: the devices of the old lists are gone afterwards.
  void RefreshDevices();
  // Whether the port of the current device of that direction has gone (nothing is connected
  // to it any more); false when there is none.
  bool CurrentInputGone() const;
  bool CurrentOutputGone() const;

  // The receive numbers; they need no handle.
  static int InputBufferCount();
  static int InputBufferSize();
  static int InputTimeout();
  // Store the number and write its setting; a changed buffer count or size rebuilds the buffers
  // of every open input device.
  void SetInputBufferCount(int value);
  void SetInputBufferSize(int value);
  void SetInputTimeout(int value);
  // All three for this run only, the settings not written (a caller that has written them
  // itself, all at once): the buffers are rebuilt when their numbers change.
  void UseReceiveNumbers(int bufferSize, int bufferCount, int timeout);

  // How many more times a receive asks for an item that arrived incomplete or damaged, and
  // whether every item sent to the synthesizer's memory is read back and compared.
  static int ReceiveRetries();
  static bool VerifyAfterSending();
  // Store the value and write its setting.
  void SetReceiveRetries(int value);
  void SetVerifyAfterSending(bool verify);
  // For this run only (the command line's --retries and --verify).
  void UseReceiveRetries(int value);
  void UseVerifyAfterSending(bool verify);

  // For the length of a transfer: once `*cancel` is set (from any thread), a dump's wait ends
  // at once, delivering nothing, and a long send stops before its next message. None: nothing
  // stops them.
  void SetCancelFlag(const std::atomic<bool>* cancel);
  static bool CancelRequested();

  // Live handles (for tests and diagnostics).
  static int HandleCount();
};

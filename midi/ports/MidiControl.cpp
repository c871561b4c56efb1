#include "midi/ports/MidiControl.h"

#include <algorithm>
#include <memory>

#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiDeviceSettings.h"
#include "midi/ports/MidiPortLayer.h"
#include "settings/SettingsStore.h"

namespace {

// The ports of one direction.
struct PortList {
  bool enumerated = false;
  std::vector<std::unique_ptr<MidiDevice>> devices;
  int current = -1;

  MidiDevice* Current() const { return current >= 0 ? devices[current].get() : nullptr; }
  void ListNames(std::vector<std::string>& names) const {
    names.clear();
    for (const auto& device : devices) {
      names.push_back(device->Name());
    }
  }
  MidiDevice* At(int index) const {
    return index >= 0 && index < static_cast<int>(devices.size()) ? devices[index].get() : nullptr;
  }
};

struct MidiState {
  int handles = 0;
  PortList inputs;
  PortList outputs;
  int receiveRetries = Settings::kDefaultReceiveRetries;
  bool verifyAfterSending = Settings::kDefaultVerifyAfterSending != 0;
};

MidiState& State() {
  static MidiState state;
  return state;
}

// The index of the last device named `name`, or -1.
int LastNamed(const PortList& list, const std::string& name) {
  int found = -1;
  for (int index = 0; index < static_cast<int>(list.devices.size()); ++index) {
    if (list.devices[index]->Name() == name) {
      found = index;
    }
  }
  return found;
}

// The port of the stored name becomes current (the last of several that carry it), else the
// first port; it is opened.
void ChooseStoredPort(PortList& list, const char* nameSetting) {
  list.current = std::max(LastNamed(list, SettingsStore::ReadSettingString(nameSetting, "")), 0);
  if (!list.Current()->IsOpen()) {
    list.Current()->Open();
  }
}

// The system's ports of one direction, as devices.
template <class Device, class CountPorts>
std::vector<std::unique_ptr<MidiDevice>> ListDevices(CountPorts countPorts) {
  MidiPortLayer& layer = CurrentMidiPortLayer();
  const int count = countPorts(layer);
  std::vector<std::unique_ptr<MidiDevice>> devices;
  for (int port = 0; port < count; ++port) {
    devices.push_back(std::make_unique<Device>(layer, port));
  }
  return devices;
}

template <class Device, class CountPorts>
void Enumerate(PortList& list, CountPorts countPorts, const char* nameSetting) {
  list.devices = ListDevices<Device>(countPorts);
  list.enumerated = true;
  if (list.devices.empty()) {
    list.current = -1;
    return;
  }
  ChooseStoredPort(list, nameSetting);
}

// A fresh listing replaces the devices; the current device carries on where its port is still
// listed under its name (open as it was, unless its port went away and came back, when it is
// opened afresh). Otherwise the stored port, else the first, becomes current.
template <class Device, class CountPorts>
void Refresh(PortList& list, CountPorts countPorts, const char* nameSetting) {
  std::unique_ptr<MidiDevice> kept;
  if (list.current >= 0) {
    kept = std::move(list.devices[static_cast<std::size_t>(list.current)]);
  }
  list.devices = ListDevices<Device>(countPorts);
  list.current = -1;
  const int same = kept ? LastNamed(list, kept->Name()) : -1;
  if (same >= 0) {
    kept->Renumber(same);
    list.devices[static_cast<std::size_t>(same)] = std::move(kept);
    list.current = same;
    MidiDevice& current = *list.devices[static_cast<std::size_t>(same)];
    if (!current.IsOpen() || current.Disconnected()) {
      current.Close();
      current.Open();
    }
    return;
  }
  kept.reset();  // closes it
  if (!list.devices.empty()) {
    ChooseStoredPort(list, nameSetting);
  }
}

// Choosing the current port again opens it afresh: the way to reach a port that went away and
// came back under the same name.
void Select(PortList& list, int index, const char* nameSetting, bool remember) {
  if (index < 0 || index >= static_cast<int>(list.devices.size())) {
    return;
  }
  if (MidiDevice* old = list.Current(); old && old->IsOpen()) {
    old->Close();
  }
  list.current = index;
  list.Current()->Open();
  if (remember) {
    SettingsStore::WriteSettingString(nameSetting, list.Current()->Name());
  }
}

void ReopenOpenInputs() {
  for (const auto& device : State().inputs.devices) {
    if (device->IsOpen()) {
      device->Close();
      device->Open();
    }
  }
}

void SetBufferNumber(int& number, int value, const char* setting) {
  const int old = number;
  number = value;
  SettingsStore::WriteSettingInteger(setting, value);
  if (value != old) {
    ReopenOpenInputs();
  }
}

}  // namespace

MidiControl::MidiControl() {
  MidiState& state = State();
  ++state.handles;
  // The receive numbers come first, so that the ports opened below get the stored buffers.
  if (state.handles == 1) {
    MidiDeviceSettings& numbers = MidiDeviceSettings::Current();
    numbers.timeout =
        SettingsStore::ReadSettingInteger(Settings::kMidiInputTimeout, numbers.timeout);
    numbers.bufferSize =
        SettingsStore::ReadSettingInteger(Settings::kMidiInputBufSize, numbers.bufferSize);
    numbers.bufferCount =
        SettingsStore::ReadSettingInteger(Settings::kMidiInputBufNumber, numbers.bufferCount);
    state.receiveRetries =
        SettingsStore::ReadSettingInteger(Settings::kReceiveRetries, state.receiveRetries);
    state.verifyAfterSending =
        SettingsStore::ReadSettingInteger(Settings::kVerifyAfterSending,
                                          state.verifyAfterSending ? 1 : 0) != 0;
  }
  if (!state.inputs.enumerated) {
    Enumerate<MidiInDevice>(
        state.inputs, [](MidiPortLayer& layer) { return layer.InputPortCount(); },
        Settings::kMidiInputDeviceName);
  }
  if (!state.outputs.enumerated) {
    Enumerate<MidiOutDevice>(
        state.outputs, [](MidiPortLayer& layer) { return layer.OutputPortCount(); },
        Settings::kMidiOutputDeviceName);
  }
}

MidiControl::~MidiControl() {
  MidiState& state = State();
  if (--state.handles < 1) {
    // Everything starts afresh with the next handle, as at program start.
    state = MidiState{};
    MidiDeviceSettings::Current() = MidiDeviceSettings{};
  }
}

int MidiControl::InputDeviceIndex() const {
  return State().inputs.current;
}
int MidiControl::OutputDeviceIndex() const {
  return State().outputs.current;
}
MidiDevice* MidiControl::CurrentInputDevice() const {
  return State().inputs.Current();
}
MidiDevice* MidiControl::CurrentOutputDevice() const {
  return State().outputs.Current();
}
int MidiControl::InputDeviceCount() const {
  return static_cast<int>(State().inputs.devices.size());
}
int MidiControl::OutputDeviceCount() const {
  return static_cast<int>(State().outputs.devices.size());
}
MidiDevice* MidiControl::InputDevice(int index) const {
  return State().inputs.At(index);
}
MidiDevice* MidiControl::OutputDevice(int index) const {
  return State().outputs.At(index);
}

void MidiControl::ListInputDevices(std::vector<std::string>& list) const {
  State().inputs.ListNames(list);
}

void MidiControl::ListOutputDevices(std::vector<std::string>& list) const {
  State().outputs.ListNames(list);
}

void MidiControl::SelectInputDevice(int index) {
  Select(State().inputs, index, Settings::kMidiInputDeviceName, true);
}
void MidiControl::SelectOutputDevice(int index) {
  Select(State().outputs, index, Settings::kMidiOutputDeviceName, true);
}
void MidiControl::UseInputDevice(int index) {
  Select(State().inputs, index, Settings::kMidiInputDeviceName, false);
}
void MidiControl::UseOutputDevice(int index) {
  Select(State().outputs, index, Settings::kMidiOutputDeviceName, false);
}

void MidiControl::RefreshDevices() {
  MidiState& state = State();
  Refresh<MidiInDevice>(
      state.inputs, [](MidiPortLayer& layer) { return layer.InputPortCount(); },
      Settings::kMidiInputDeviceName);
  Refresh<MidiOutDevice>(
      state.outputs, [](MidiPortLayer& layer) { return layer.OutputPortCount(); },
      Settings::kMidiOutputDeviceName);
}

bool MidiControl::CurrentInputGone() const {
  const MidiDevice* device = CurrentInputDevice();
  return device != nullptr && device->Disconnected();
}

bool MidiControl::CurrentOutputGone() const {
  const MidiDevice* device = CurrentOutputDevice();
  return device != nullptr && device->Disconnected();
}

int MidiControl::ReceiveRetries() {
  return std::max(State().receiveRetries, 0);
}

bool MidiControl::VerifyAfterSending() {
  return State().verifyAfterSending;
}

void MidiControl::SetReceiveRetries(int value) {
  State().receiveRetries = value;
  SettingsStore::WriteSettingInteger(Settings::kReceiveRetries, value);
}

void MidiControl::SetVerifyAfterSending(bool verify) {
  State().verifyAfterSending = verify;
  SettingsStore::WriteSettingInteger(Settings::kVerifyAfterSending, verify ? 1 : 0);
}

void MidiControl::UseReceiveRetries(int value) {
  State().receiveRetries = value;
}

void MidiControl::UseVerifyAfterSending(bool verify) {
  State().verifyAfterSending = verify;
}

int MidiControl::InputBufferCount() {
  return MidiDeviceSettings::Current().bufferCount;
}
int MidiControl::InputBufferSize() {
  return MidiDeviceSettings::Current().bufferSize;
}
int MidiControl::InputTimeout() {
  return MidiDeviceSettings::Current().timeout;
}

void MidiControl::SetInputBufferCount(int value) {
  SetBufferNumber(MidiDeviceSettings::Current().bufferCount, value, Settings::kMidiInputBufNumber);
}
void MidiControl::SetInputBufferSize(int value) {
  SetBufferNumber(MidiDeviceSettings::Current().bufferSize, value, Settings::kMidiInputBufSize);
}
void MidiControl::SetCancelFlag(const std::atomic<bool>* cancel) {
  MidiDeviceSettings::Current().cancel = cancel;
}
bool MidiControl::CancelRequested() {
  return MidiDeviceSettings::Current().CancelRequested();
}

void MidiControl::UseReceiveNumbers(int bufferSize, int bufferCount, int timeout) {
  MidiDeviceSettings& numbers = MidiDeviceSettings::Current();
  const bool rebuild = bufferSize != numbers.bufferSize || bufferCount != numbers.bufferCount;
  numbers.bufferSize = bufferSize;
  numbers.bufferCount = bufferCount;
  numbers.timeout = timeout;
  if (rebuild) {
    ReopenOpenInputs();
  }
}

void MidiControl::SetInputTimeout(int value) {
  MidiDeviceSettings::Current().timeout = value;
  SettingsStore::WriteSettingInteger(Settings::kMidiInputTimeout, value);
}

int MidiControl::HandleCount() {
  return State().handles;
}

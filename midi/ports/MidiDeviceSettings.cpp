#include "midi/ports/MidiDeviceSettings.h"

MidiDeviceSettings& MidiDeviceSettings::Current() {
  static MidiDeviceSettings settings;
  return settings;
}

#pragma once

#include <string>

class SYX_File;
namespace StandardMidiFile {
struct ReadCounts;
}

// The SysEx messages of a dump file, read and written as they are: a .syx file holds nothing
// else, a .mid file holds them as the SysEx events of a Standard MIDI File. Each returns 0, or -1
// after the diagnostics that say why; a read that fails leaves `messages` as it was, and
// `midi` receives what a .mid file held besides them (cleared for .syx).
namespace MessageFiles {

int ReadSysEx(SYX_File& messages, const std::string& path, StandardMidiFile::ReadCounts& midi);
int WriteSysEx(const SYX_File& messages, const std::string& path);
int ReadMidi(SYX_File& messages, const std::string& path, StandardMidiFile::ReadCounts& midi);
// Complete messages only, one event a message, paced for the DIN wire.
int WriteMidi(const SYX_File& messages, const std::string& path);

}  // namespace MessageFiles

#include "files/MessageFiles.h"

#include <cstdint>
#include <vector>

#include "files/FileDiagnostics.h"
#include "files/SmartFile.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"

namespace MessageFiles {

using StandardMidiFile::ReadCounts;

int ReadSysEx(SYX_File& messages, const std::string& path, ReadCounts& midi) {
  midi = {};
  return messages.Load(path);
}

int WriteSysEx(const SYX_File& messages, const std::string& path) {
  return SmartFile::SaveFile(path, [&messages](SmartFile& file) { file.Write(messages.Bytes()); });
}

int ReadMidi(SYX_File& messages, const std::string& path, ReadCounts& midi) {
  midi = {};
  SYX_File file;
  if (file.Load(path) != 0)
    return -1;
  std::vector<std::uint8_t> sysEx;
  ReadCounts counts;
  if (StandardMidiFile::ReadSysEx(file.Bytes(), sysEx, counts) != 0) {
    ReportFileDiagnostic("Error: %s is not a Standard MIDI File", path.c_str());
    return -1;
  }
  messages.Reset();
  if (messages.AppendBytes(sysEx) != 1)
    return -1;
  messages.SetFileName(path);
  midi = counts;
  return 0;
}

int WriteMidi(const SYX_File& messages, const std::string& path) {
  const std::vector<std::uint8_t> midi = StandardMidiFile::WriteSysEx(messages.Bytes());
  if (midi.empty()) {
    ReportFileDiagnostic("Error: the messages do not fit a Standard MIDI File");
    return -1;
  }
  return SmartFile::SaveFile(path, [&midi](SmartFile& file) { file.Write(midi); });
}

}  // namespace MessageFiles

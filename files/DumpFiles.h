#pragma once

#include <cstddef>
#include <string>

#include "files/FileOutcome.h"
#include "midi/sysex/StandardMidiFile.h"

class SYX_File;

// The SysEx messages of dump files (.syx, .mid) as they are, by the format of their extension
// (FileFormat), and what a dump file holds for a document.

// A read: what a .mid file had damaged and held besides its SysEx events (cleared for .syx).
struct DumpFileLoad : FileOutcome {
  StandardMidiFile::ReadCounts midi;
};
// Reads a .syx file, or the SysEx messages of a .mid file, into `dump` (named after the file). A
// file that cannot be read, or a .mid file that is not a Standard MIDI File, fails and leaves the
// dump as it was; so does a path of another format, without a word.
DumpFileLoad LoadDumpFile(SYX_File& dump, const std::string& path);
// Writes the dump's bytes to a .syx file, or its complete messages to a .mid file.
FileOutcome SaveDumpFile(const SYX_File& dump, const std::string& path);

// Whether a dump file holds an item dump to a memory location, so that it opens as a document,
// rather than only programs for an edit buffer. False for a file that cannot be read.
bool DumpFileFillsSlots(const std::string& path);
// What a dump file holds that its document would not keep (BankLoadReport::NotKept); 0 for
// any other file, and for one that cannot be read.
std::size_t DumpFileContentNotKept(const std::string& path);

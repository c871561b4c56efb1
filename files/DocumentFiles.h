#pragma once

#include <optional>
#include <string>

#include "files/BankLoadReport.h"
#include "files/FileOutcome.h"

class S2A_File;

// A document's files, by the format of their extension (FileFormat): opened, merged and saved.
// An absent path or a format that is not opened or saved that way fails without a word; the
// readers and writers say why anything else fails, in the outcome. A load that fails leaves the
// document as it was.

// An open or a merge: what it found. Filled on success; of a dump file, also on failure (what
// the file held tells why it gave nothing to open).
struct BankFileLoad : FileOutcome {
  BankLoadReport report;
};

// Makes the document a fresh one (a copy of the default set, nothing of what it held) and loads
// the file into it: .s2a everything the file holds; .s2v the four voice banks; .s2e the three
// external banks; .syx and .mid the items of their dumps to memory locations, each into its
// slot. A bank file ending before its last item record loads (the report counts what it
// lacked); a dump file without a dump to a memory location fails.
BankFileLoad OpenBankFile(S2A_File& document, const std::optional<std::string>& path);
// Loads the file into the document as it is: what the file holds replaces the matching part, all
// else stays (.s2v keeps the performances, .s2e the internal banks, a dump file every slot its
// dumps do not name).
BankFileLoad MergeBankFile(S2A_File& document, const std::optional<std::string>& path);
// .s2a, .s2v, .s2e, .ins for the instrument definition, .midnam for the MIDI name document, or
// a dump file: every item of the document as a dump to its memory location, bank by bank in the
// document's bank order, slot by slot (only the items travel; the system, channel, plug-in voice
// and CLP blocks of an .s2a file have no place in a dump file, and an item byte of 80 or more
// goes out as its low seven bits, which the outcome counts).
FileSave SaveBankFile(S2A_File& document, const std::optional<std::string>& path);

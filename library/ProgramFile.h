#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midi/sysex/ItemDumpList.h"

class Item;
class S2A_File;
class S2I_File;

// The programs of one file the library reads: every slot of the banks a bank file holds (.s2a,
// .s2v, .s2e) in bank order, the item of an .s2i file, or each whole item dump of a .syx file.
class ProgramFile {
 public:
  struct Program {
    const Item* item;
    const char* bank;  // the bank's word ("int-inst"), empty outside a bank
    int slot;          // 0-based, -1 outside a bank
  };

  ProgramFile();
  ~ProgramFile();
  ProgramFile(const ProgramFile&) = delete;
  ProgramFile& operator=(const ProgramFile&) = delete;

  // .s2a, .s2v, .s2e, .s2i, .syx or .mid.
  static bool IsReadable(const std::string& path);

  // 0, or -1 with Reason saying why the file gives no program.
  int Load(const std::string& path);
  // The programs of a document held in memory, as an .s2a file of it would give them.
  void Take(std::unique_ptr<S2A_File> document);
  const std::string& Reason() const { return reason_; }
  // What was left out of a file that was read: "ends early: 3 items missing"; empty when
  // nothing was.
  const std::string& Note() const { return note_; }
  bool IsBankFile() const { return document_ != nullptr; }
  const std::vector<Program>& Programs() const { return programs_; }

 private:
  int LoadBankFile(const std::string& path);
  int LoadItemFile(const std::string& path);
  int LoadDumpFile(const std::string& path);

  std::unique_ptr<S2A_File> document_;
  std::unique_ptr<S2I_File> single_;
  ItemDumpList dumps_;
  std::vector<Program> programs_;
  std::string reason_;
  std::string note_;
};

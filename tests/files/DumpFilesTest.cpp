// The messages of dump files by extension, and what a dump file holds for a document.

#include "files/DumpFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "files/FileDiagnostics.h"
#include "midi/sysex/SYX_File.h"
#include "midi/sysex/StandardMidiFile.h"
#include "model/S2A_File.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class DumpFilesTest : public testing::Test {
 protected:
  void SetUp() override { test::UseNoConfiguration(home_); }

  std::string File(const std::string& name) const { return dir_.File(name); }

  test::TempDir home_;
  test::TempDir dir_;
};

// The messages go out and come back as they are, whatever they hold; a .mid file counts what it
// held besides them; a failed read leaves the dump as it was.
TEST_F(DumpFilesTest, MessagesTravelAsTheyAreAndAFailedReadKeepsTheDump) {
  S2A_File document;
  DemoBank::FillDocument(document, 2);
  SYX_File written;
  ASSERT_EQ(written.StoreToMemory(*document.InternalInstrumentBank().ItemAt(3)), 0);
  const Bytes foreign{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  ASSERT_EQ(written.AppendBytes(foreign), 1);
  const Bytes messages(written.Bytes().begin(), written.Bytes().end());
  for (const char* name : {"out.syx", "out.MID"})
    ASSERT_TRUE(SaveDumpFile(written, File(name)).Succeeded()) << name;
  EXPECT_EQ(test::ReadBytes(File("out.syx")), messages);
  EXPECT_EQ(test::ReadBytes(File("out.MID")), StandardMidiFile::WriteSysEx(messages));
  test::WriteBytes(File("bad.mid"), Bytes(messages.begin(), messages.begin() + 40));

  const struct {
    const char* name;
    int status;
    std::string said;
  } cases[] = {
      {"out.syx", 0, ""},
      {"out.MID", 0, ""},
      {"missing.mid", -1, "Error opening file: No such file or directory"},
      {"bad.mid", -1, "Error: " + File("bad.mid") + " is not a Standard MIDI File"},
      {"out.s2a", -1, ""},  // not a dump file: not even opened
  };
  for (const auto& c : cases) {
    SYX_File read;
    ASSERT_EQ(read.AppendBytes(foreign), 1);
    const DumpFileLoad load = LoadDumpFile(read, File(c.name));
    EXPECT_EQ(load.status, c.status) << c.name;
    EXPECT_EQ(load.Reason(), c.said) << c.name;
    EXPECT_EQ(load.midi.Damaged() + load.midi.otherEvents, 0u) << c.name;
    EXPECT_EQ(Bytes(read.Bytes().begin(), read.Bytes().end()), c.status == 0 ? messages : foreign)
        << c.name;
  }
  EXPECT_FALSE(SaveDumpFile(written, File("out.txt")).Succeeded());
  EXPECT_FALSE(test::Exists(File("out.txt")));
}

// What a dump file holds for a document, found without opening one; what could not be read is
// said as a plain read says it.
TEST_F(DumpFilesTest, AProbeTellsSlotsAndWhatIsNotKeptAndPassesOnWhatItCouldNotRead) {
  S2A_File document;
  DemoBank::FillDocument(document, 4);
  SYX_File toMemory, toBuffer, slots;
  ASSERT_EQ(toMemory.StoreToMemory(*document.ExternalPerformanceBank().ItemAt(1)), 0);
  ASSERT_EQ(toBuffer.StoreToEditBuffer(*document.ExternalPerformanceBank().ItemAt(2)), 0);
  slots.AppendBytes(toMemory.Bytes());
  slots.AppendBytes(toBuffer.Bytes());
  ASSERT_TRUE(SaveDumpFile(slots, File("slots.mid")).Succeeded());
  SYX_File edit;
  ASSERT_EQ(edit.StoreToEditBuffer(*document.InternalInstrumentBank().ItemAt(0)), 0);
  ASSERT_TRUE(SaveDumpFile(edit, File("edit.syx")).Succeeded());

  const struct {
    const char* name;
    bool fillsSlots;
    std::size_t notKept;
    std::string said;
  } cases[] = {
      {"slots.mid", true, 1, ""},
      {"edit.syx", false, 1, ""},
      {"missing.syx", false, 0, "Error opening file: No such file or directory"},
      {"slots.s2a", false, 0, ""},
  };
  for (const auto& c : cases) {
    FileDiagnosticCapture said;
    EXPECT_EQ(DumpFileFillsSlots(File(c.name)), c.fillsSlots) << c.name;
    EXPECT_EQ(said.TakeText(), c.said) << c.name;
    EXPECT_EQ(DumpFileContentNotKept(File(c.name)), c.notKept) << c.name;
    EXPECT_EQ(said.TakeText(), c.said) << c.name;
  }
}

}  // namespace

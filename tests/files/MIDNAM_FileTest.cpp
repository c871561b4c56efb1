// The MIDI name document of a small document, written out here by hand; the example bank's
// whole document is checked by tests/files/midnam-check.

#include "files/MIDNAM_File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "files/DocumentFiles.h"
#include "files/INS_File.h"
#include "tests/files/FormatTestSupport.h"

namespace {

std::string TextOf(const MIDNAM_File& names) {
  return {names.Text().Contents().begin(), names.Text().Contents().end()};
}

bool WellFormed(const std::string& path) {
  return std::system(("xmllint --noout --nonet '" + path + "' 2>/dev/null").c_str()) == 0;
}

const std::string kHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE MIDINameDocument PUBLIC "-//MIDI Manufacturers Association//DTD MIDINameDocument 1.0//EN" "http://www.midi.org/dtds/MIDINameDocument10.dtd">
<MIDINameDocument>
  <Author>Corvale, the S80 bank editor and librarian, 2026</Author>
  <MasterDeviceNames>
    <Manufacturer>Yamaha</Manufacturer>
    <Model>S80 - Set</Model>
    <CustomDeviceMode Name="Default">
)";
// The name list of the controllers the .ins names (INS_FileTest holds its lines byte for byte),
// as the document writes it.
std::string ControlsOfTheInstrumentDefinition(const S2A_File& document) {
  INS_File definition;
  definition.BuildInstrumentDefinition(document);
  const std::string ins(definition.Text().Contents().begin(), definition.Text().Contents().end());
  std::string controls = "    <ControlNameList Name=\"Controls\">\n";
  int number = 0;
  int again = 0;
  char name[64];
  for (std::size_t at = ins.find('\n', ins.find("[Yamaha S80 Controllers]\r\n")) + 1;
       std::sscanf(ins.c_str() + at, "%d=%d-%63[^\r]", &number, &again, name) == 3;
       at = ins.find('\n', at) + 1) {
    EXPECT_EQ(number, again);
    controls += "      <Control Type=\"7bit\" Number=\"" + std::to_string(number) + "\" Name=\"" +
                name + "\"/>\n";
  }
  return controls + "    </ControlNameList>\n";
}

std::string Tail(const S2A_File& document) {
  return ControlsOfTheInstrumentDefinition(document) +
         "  </MasterDeviceNames>\n</MIDINameDocument>\n";
}

// Slots 002 to 064 of a performance bank of defaults.
std::string PerformanceSlotsAfterTheFirst() {
  std::string patches;
  for (int slot = 1; slot < 64; ++slot) {
    char line[100];
    std::snprintf(
        line, sizeof line,
        "          <Patch Number=\"%03d\" Name=\"(no name) [--]\" ProgramChange=\"%d\"/>\n",
        slot + 1, slot);
    patches += line;
  }
  return patches;
}

class MIDNAM_FileTest : public test::SupportingFileTest {};

TEST_F(MIDNAM_FileTest, OnlyBanksWithContentAreWrittenByteForByte) {
  document_->ExternalPercussionBank().SetHasContent(true);
  DemoBank::FillItem(*document_->ExternalPercussionBank().ItemAt(1), "A&B <Kit>", 17, 3);
  document_->ExternalPerformanceBank().SetHasContent(true);
  DemoBank::FillItem(*document_->ExternalPerformanceBank().ItemAt(0), "  Pno Str", 1, 4);
  DemoBank::FillItem(*document_->InternalInstrumentBank().ItemAt(0), "Hidden", 1, 5);
  ASSERT_TRUE(SaveBankFile(*document_, dir_.File("Set.MIDNAM")).Succeeded());
  std::string assigned;
  std::string available;
  for (int channel = 1; channel <= 16; ++channel) {
    const std::string number = "Channel=\"" + std::to_string(channel) + "\" ";
    assigned += "        <ChannelNameSetAssign " + number + "NameSet=\"Banks\"/>\n";
    available += "        <AvailableChannel " + number + "Available=\"true\"/>\n";
  }
  EXPECT_EQ(ReadText("Set.MIDNAM"),
            kHead + "      <ChannelNameSetAssignments>\n" + assigned +
                "      </ChannelNameSetAssignments>\n    </CustomDeviceMode>\n" +
                "    <ChannelNameSet Name=\"Banks\">\n      <AvailableForChannels>\n" + available +
                R"(      </AvailableForChannels>
      <UsesControlNameList Name="Controls"/>
      <PatchBank Name="External Performance">
        <MIDICommands>
          <ControlChange Control="0" Value="63"/>
          <ControlChange Control="32" Value="65"/>
        </MIDICommands>
        <PatchNameList>
          <Patch Number="001" Name="Pno Str [Pf]" ProgramChange="0"/>
)" + PerformanceSlotsAfterTheFirst() +
                R"(        </PatchNameList>
      </PatchBank>
      <PatchBank Name="External Percussion">
        <MIDICommands>
          <ControlChange Control="0" Value="63"/>
          <ControlChange Control="32" Value="41"/>
        </MIDICommands>
        <PatchNameList>
          <Patch Number="001" Name="(no name) [--]" ProgramChange="0"/>
          <Patch Number="002" Name="A&amp;B &lt;Kit&gt; [Dr]" ProgramChange="1"/>
        </PatchNameList>
      </PatchBank>
    </ChannelNameSet>
)" + Tail(*document_));

  // Without a bank with content there is no name set to assign; a rebuild replaces all.
  document_->ExternalPercussionBank().SetHasContent(false);
  document_->ExternalPerformanceBank().SetHasContent(false);
  MIDNAM_File names;
  names.SetFileName(dir_.File("Set.midnam"));
  names.BuildNameDocument(*document_);
  EXPECT_EQ(SaveAndRead(names, "Set.midnam"),
            kHead + "    </CustomDeviceMode>\n" + Tail(*document_));
  EXPECT_TRUE(WellFormed(dir_.File("Set.midnam")));
}

// A name read from a file may hold any byte: program names are written as corvale-cli lists
// them, the file's base name keeps its UTF-8, and the document stays well-formed.
TEST_F(MIDNAM_FileTest, ProgramAndFileNamesAreEscaped) {
  const struct {
    std::string bytes;
    std::string written;
  } cases[] = {
      {"\"Hi\" 'yo'", "&quot;Hi&quot; &apos;yo&apos; [Pf]"},
      {"Caf\xE9", "Caf\\xe9 [Pf]"},
      {"\xC3\xA9t\xC3\xA9", "\\xc3\\xa9t\\xc3\\xa9 [Pf]"},
      {"\x1B[2J\x7F\t\n", "\\x1b[2J\\x7f\\x09\\x0a [Pf]"},
  };
  document_->InternalInstrumentBank().SetHasContent(true);
  const std::string file = "A&B <x> \x01\xFF\xC3\xA9.midnam";
  MIDNAM_File names;
  names.SetFileName(dir_.File(file));
  for (const auto& c : cases) {
    Item& item = *document_->InternalInstrumentBank().ItemAt(0);
    DemoBank::FillItem(item, "", 1, 7);
    std::copy(c.bytes.begin(), c.bytes.end(), item.Data().begin());  // SetName would refuse
    names.BuildNameDocument(*document_);
    EXPECT_NE(SaveAndRead(names, file).find("<Patch Number=\"001\" Name=\"" + c.written + "\" "),
              std::string::npos)
        << c.written;
    EXPECT_TRUE(WellFormed(dir_.File(file))) << c.written;
  }
  const std::string base = "A&amp;B &lt;x&gt; \xEF\xBF\xBD\xEF\xBF\xBD\xC3\xA9";
  EXPECT_NE(TextOf(names).find("    <Model>S80 - " + base + "</Model>\n"), std::string::npos);
  EXPECT_NE(TextOf(names).find("<PatchBank Name=\"Internal Instrument\">"), std::string::npos);
}

// As a person reads the name: no blanks at its ends, the category after it, no kind before it.
TEST_F(MIDNAM_FileTest, ReadableNamesDropThePadding) {
  const struct {
    ItemKind kind;
    std::string bytes;
    int category;
    const char* readable;
  } cases[] = {
      {ItemKind::Instrument, "Grand Pno", 1, "Grand Pno [Pf]"},
      {ItemKind::Instrument, "     Clavi", 2, "Clavi [Cp]"},
      {ItemKind::Instrument, "Pad  ", 12, "Pad [Pd]"},
      {ItemKind::Instrument, " A  B ", 0, "A  B [--]"},
      {ItemKind::Instrument, "ABCDEFGHIJ", 22, "ABCDEFGHIJ [Sq]"},
      {ItemKind::Instrument, "", 0, "(no name) [--]"},
      {ItemKind::Instrument, "          ", 0, "(no name) [--]"},
      {ItemKind::Instrument, " \x1B[2J", 13, "\\x1b[2J [Fx]"},
      {ItemKind::Instrument, "\t", 0, "\\x09 [--]"},
      {ItemKind::Performance, " Pno & Str", 1, "Pno & Str [Pf]"},
      {ItemKind::Percussion, "Elec Kit", 17, "Elec Kit [Dr]"},
  };
  const auto FirstItemOfKind = [this](ItemKind kind) -> Item& {
    if (kind == ItemKind::Performance)
      return *document_->InternalPerformanceBank().ItemAt(0);
    if (kind == ItemKind::Percussion)
      return *document_->InternalPercussionBank().ItemAt(0);
    return *document_->InternalInstrumentBank().ItemAt(0);
  };
  for (const auto& c : cases) {
    Item& item = FirstItemOfKind(c.kind);
    DemoBank::FillItem(item, "", c.category, 9);
    std::copy(c.bytes.begin(), c.bytes.end(), item.Data().begin());
    EXPECT_EQ(MIDNAM_File::ReadableName(item), c.readable) << c.readable;
  }
}

// The document names the 32 controllers the .ins names, number for number.
TEST_F(MIDNAM_FileTest, ControllersAreTheOnesTheInstrumentDefinitionNames) {
  const std::string controls = ControlsOfTheInstrumentDefinition(*document_);
  EXPECT_EQ(std::count(controls.begin(), controls.end(), '\n'), 34);
  EXPECT_NE(controls.find("<Control Type=\"7bit\" Number=\"0\" Name=\"Bank Select MSB\"/>"),
            std::string::npos);
  MIDNAM_File names;
  names.BuildNameDocument(*document_);
  EXPECT_NE(TextOf(names).find(controls), std::string::npos);
}

TEST_F(MIDNAM_FileTest, EscapedKeepsOnlyWellFormedUtf8) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"plain 1-2", "plain 1-2"},
      {"&<>\"'", "&amp;&lt;&gt;&quot;&apos;"},
      {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB9\xF4\x8F\xBF\xBD",
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB9\xF4\x8F\xBF\xBD"},
      {"\x01\t\x7F", r + r + r},
      {"a\x80"
       "b\xC3",
       "a" + r + "b" + r},                                  // a lone continuation byte; cut short
      {"\xC3(\xC0\xAF", r + "(" + r + r},                   // no continuation byte; overlong
      {"\xE0\x9F\xBF\xED\xA0\x80", r + r + r + r + r + r},  // overlong; a surrogate
      {"\xEF\xBF\xBE\xF4\x90\x80\x80", r + r + r + r + r + r + r},  // U+FFFE; past U+10FFFF
  };
  for (const auto& c : cases)
    EXPECT_EQ(MIDNAM_File::Escaped(c.text), c.escaped) << c.escaped;
}

// The save is the supporting files' own: a failed write keeps the old file, .ins or .midnam.
TEST_F(MIDNAM_FileTest, AFailedSaveWritesNothingAndKeepsTheOldFile) {
  DemoBank::FillDocument(*document_, 8);
  const FileSave save = SaveBankFile(*document_, dir_.File("no/such.midnam"));
  EXPECT_FALSE(save.Succeeded());
  EXPECT_EQ(save.Reason(), "Error opening file: No such file or directory");

  INS_File definition;
  definition.BuildInstrumentDefinition(*document_);
  MIDNAM_File names;
  names.BuildNameDocument(*document_);
  const std::vector<std::uint8_t> old(3000, 'o');
  for (SupportingFile* file : std::initializer_list<SupportingFile*>{&definition, &names}) {
    const std::string name = file == &names ? "kept.midnam" : "kept.ins";
    test::WriteBytes(dir_.File(name), old);
    file->SetFileName(dir_.File(name));
    ASSERT_GT(file->Text().Size(), 4096);
    EXPECT_EQ(test::SaveBeyondFileSizeLimit(*file, dir_.File("err.log"), 4096), 0);
    EXPECT_EQ(ReadText("err.log"),
              "Error writing file: " + std::string(std::strerror(EFBIG)) + "\n");
    // Written only: a load fails and changes neither the text nor the file.
    const auto Text = [&] {
      return std::vector<std::uint8_t>(file->Text().Contents().begin(),
                                       file->Text().Contents().end());
    };
    const std::vector<std::uint8_t> text = Text();
    EXPECT_EQ(file->Load(), -1);
    EXPECT_EQ(Text(), text);
    EXPECT_EQ(test::ReadBytes(dir_.File(name)), old);
  }
  EXPECT_EQ(dir_.Entries(),
            (std::vector<std::string>{"err.log", "kept.ins", "kept.midnam", "settings.conf"}));
}

}  // namespace

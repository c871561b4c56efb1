// The MIDI name document. Its banks and program names are checked against the .ins written for
// the same document (whose own test checks every line against the image bytes): the two files
// must agree. The XML around them is written out here by hand.

#include "files/MIDNAM_File.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "files/FileExtension.h"
#include "model/S2A_File.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::StderrOf;
using Lines = std::vector<std::string>;

std::string Text(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

std::string TextOf(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string TextOf(const MIDNAM_File& names) {
  const auto contents = names.Text().Contents();
  return std::string(contents.begin(), contents.end());
}

Lines SplitLines(const std::string& text, const std::string& end) {
  Lines lines;
  for (std::size_t at = 0, next = 0; (next = text.find(end, at)) != std::string::npos;
       at = next + end.size())
    lines.push_back(text.substr(at, next - at));
  return lines;
}

// One bank as the .ins names it: its title, bank-select number and program names.
struct InsBank {
  std::string title;
  int number = -1;
  Lines names;
};

// The sections of an .ins text, in file order, with the numbers of its Patch[N] lines.
std::vector<InsBank> BanksOfIns(const std::string& text) {
  std::vector<InsBank> banks;
  bool inPatchNames = true;
  for (const std::string& line : SplitLines(text, "\r\n")) {
    if (line == ".Controller Names")
      inPatchNames = false;
    if (inPatchNames && line.starts_with("[")) {
      banks.push_back({line.substr(1, line.size() - 2), -1, {}});
    } else if (inPatchNames && !banks.empty() && line.find('=') != std::string::npos) {
      banks.back().names.push_back(line.substr(line.find('=') + 1));
    } else if (line.starts_with("Patch[") && line != "Patch[*]=General MIDI") {
      const std::string title = line.substr(line.find('=') + 1);
      for (InsBank& bank : banks) {
        if (bank.title == title)
          bank.number = std::stoi(line.substr(6));
      }
    }
  }
  return banks;
}

// The names of the demo document need only their ampersands escaped.
std::string AmpersandsEscaped(const std::string& text) {
  std::string escaped;
  for (const char c : text)
    escaped += c == '&' ? std::string("&amp;") : std::string(1, c);
  return escaped;
}

Lines HeadLines(const std::string& model) {
  return {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
          "<!DOCTYPE MIDINameDocument PUBLIC \"-//MIDI Manufacturers Association//DTD "
          "MIDINameDocument 1.0//EN\" \"http://www.midi.org/dtds/MIDINameDocument10.dtd\">",
          "<MIDINameDocument>",
          "  <Author>Corvale, the S80 bank editor and librarian, 2026</Author>",
          "  <MasterDeviceNames>",
          "    <Manufacturer>Yamaha</Manufacturer>",
          "    <Model>" + model + "</Model>",
          "    <CustomDeviceMode Name=\"Default\">"};
}

const Lines kTailLines = {"  </MasterDeviceNames>", "</MIDINameDocument>"};

std::string ExpectedWithoutBanks(const std::string& model) {
  Lines lines = HeadLines(model);
  lines.push_back("    </CustomDeviceMode>");
  lines.insert(lines.end(), kTailLines.begin(), kTailLines.end());
  return Text(lines);
}

// The whole document for the banks the .ins text names.
std::string ExpectedFromIns(const std::string& model, const std::string& insText) {
  Lines lines = HeadLines(model);
  lines.push_back("      <ChannelNameSetAssignments>");
  for (int channel = 1; channel <= 16; ++channel) {
    lines.push_back("        <ChannelNameSetAssign Channel=\"" + std::to_string(channel) +
                    "\" NameSet=\"Banks\"/>");
  }
  lines.insert(lines.end(),
               {"      </ChannelNameSetAssignments>", "    </CustomDeviceMode>",
                "    <ChannelNameSet Name=\"Banks\">", "      <AvailableForChannels>"});
  for (int channel = 1; channel <= 16; ++channel) {
    lines.push_back("        <AvailableChannel Channel=\"" + std::to_string(channel) +
                    "\" Available=\"true\"/>");
  }
  lines.push_back("      </AvailableForChannels>");
  for (const InsBank& bank : BanksOfIns(insText)) {
    lines.insert(lines.end(),
                 {"      <PatchBank Name=\"" + bank.title + "\">", "        <MIDICommands>",
                  "          <ControlChange Control=\"0\" Value=\"" +
                      std::to_string(bank.number / 128) + "\"/>",
                  "          <ControlChange Control=\"32\" Value=\"" +
                      std::to_string(bank.number % 128) + "\"/>",
                  "        </MIDICommands>", "        <PatchNameList>"});
    for (std::size_t slot = 0; slot < bank.names.size(); ++slot) {
      std::string number = std::to_string(slot + 1);
      number.insert(0, 3 - number.size(), '0');
      lines.push_back("          <Patch Number=\"" + number + "\" Name=\"" +
                      AmpersandsEscaped(bank.names[slot]) + "\" ProgramChange=\"" +
                      std::to_string(slot) + "\"/>");
    }
    lines.insert(lines.end(), {"        </PatchNameList>", "      </PatchBank>"});
  }
  lines.push_back("    </ChannelNameSet>");
  lines.insert(lines.end(), kTailLines.begin(), kTailLines.end());
  return Text(lines);
}

// Names an item by its raw bytes, which SetName would refuse.
void SetRawName(Item& item, const std::string& bytes) {
  std::fill_n(item.Data().begin(), kItemNameLength, 0);
  std::copy(bytes.begin(), bytes.end(), item.Data().begin());
}

bool WellFormed(const std::string& path) {
  return std::system(("xmllint --noout '" + path + "' 2>/dev/null").c_str()) == 0;
}

class MIDNAM_FileTest : public test::SupportingFileTest {};

TEST_F(MIDNAM_FileTest, EveryBankOfTheInsIsWrittenWithItsBankSelectAndNames) {
  S2A_File filled;
  DemoBank::FillDocument(filled, 5);
  ASSERT_EQ(filled.Save(dir_.File("set.s2a")), 0);
  ASSERT_EQ(document_->Load(dir_.File("set.s2a")), 0);

  // Both through the save by extension, as Export Supporting File writes them.
  ASSERT_EQ(SaveBankFile(*document_, dir_.File("S80 Set.ins")), 0);
  ASSERT_EQ(SaveBankFile(*document_, dir_.File("S80 Set.MIDNAM")), 0);
  const std::string ins = TextOf(test::ReadBytes(dir_.File("S80 Set.ins")));
  const std::string text = TextOf(test::ReadBytes(dir_.File("S80 Set.MIDNAM")));
  ASSERT_EQ(BanksOfIns(ins).size(), 6u);
  EXPECT_EQ(text, ExpectedFromIns("S80 - S80 Set", ins));
  EXPECT_TRUE(WellFormed(dir_.File("S80 Set.MIDNAM")));

  // What the comparison rests on, literally.
  EXPECT_NE(text.find("      <PatchBank Name=\"Yamaha S80 - S80 Set - Internal Instrument\">\n"
                      "        <MIDICommands>\n"
                      "          <ControlChange Control=\"0\" Value=\"63\"/>\n"
                      "          <ControlChange Control=\"32\" Value=\"8\"/>\n"
                      "        </MIDICommands>\n"
                      "        <PatchNameList>\n"
                      "          <Patch Number=\"001\" Name=\" Grand Pno [Pf]\" "
                      "ProgramChange=\"0\"/>\n"),
            std::string::npos);
  EXPECT_NE(
      text.find("<Patch Number=\"064\" Name=\"Perf: Rock Ban 4 [Gt]\" ProgramChange=\"63\"/>\n"
                "        </PatchNameList>\n      </PatchBank>\n"
                "      <PatchBank Name=\"Yamaha S80 - S80 Set - Internal Performance\">\n"
                "        <MIDICommands>\n"
                "          <ControlChange Control=\"0\" Value=\"63\"/>\n"
                "          <ControlChange Control=\"32\" Value=\"64\"/>\n"
                "        </MIDICommands>\n        <PatchNameList>\n"
                "          <Patch Number=\"001\" Name=\"Perf:  Pno &amp; Str [Pf]\" "
                "ProgramChange=\"0\"/>\n"),
      std::string::npos);
  EXPECT_NE(text.find("Value=\"41\"/>\n        </MIDICommands>\n        <PatchNameList>\n"
                      "          <Patch Number=\"001\" Name=\"  Elec Kit [Dr]\" "
                      "ProgramChange=\"0\"/>\n          <Patch Number=\"002\""),
            std::string::npos);
}

TEST_F(MIDNAM_FileTest, OnlyBanksWithContentAndWithoutThemNoNameSet) {
  document_->ExternalPercussionBank().SetHasContent(true);
  DemoBank::FillItem(*document_->ExternalPercussionBank().ItemAt(1), "Room Kit", 17, 3);
  DemoBank::FillItem(*document_->InternalInstrumentBank().ItemAt(0), "Hidden", 1, 5);
  MIDNAM_File names;
  names.SetFileName(dir_.File("part.midnam"));
  names.BuildNameDocument(*document_);
  const std::string text = SaveAndRead(names, "part.midnam");
  ASSERT_EQ(SaveBankFile(*document_, dir_.File("part.ins")), 0);
  EXPECT_EQ(text, ExpectedFromIns("S80 - part", TextOf(test::ReadBytes(dir_.File("part.ins")))));
  EXPECT_NE(text.find("<PatchBank Name=\"Yamaha S80 - part - External Percussion\">"),
            std::string::npos);
  EXPECT_NE(text.find("<Patch Number=\"002\" Name=\"  Room Kit [Dr]\" ProgramChange=\"1\"/>"),
            std::string::npos);
  EXPECT_EQ(text.find("Hidden"), std::string::npos);

  // Rebuilding for a document without content replaces the whole text.
  document_->ExternalPercussionBank().SetHasContent(false);
  names.BuildNameDocument(*document_);
  EXPECT_EQ(SaveAndRead(names, "part.midnam"), ExpectedWithoutBanks("S80 - part"));
  EXPECT_TRUE(WellFormed(dir_.File("part.midnam")));
  MIDNAM_File unnamed;
  unnamed.BuildNameDocument(*document_);
  EXPECT_EQ(TextOf(unnamed), ExpectedWithoutBanks("S80 - Unknown"));
}

// A name read from a file may hold any byte: the names are written as corvale-cli lists them,
// then escaped, and the document stays well-formed.
TEST_F(MIDNAM_FileTest, ProgramAndFileNamesAreEscaped) {
  const struct {
    std::string bytes;
    std::string written;
  } cases[] = {
      {"A&B<C>D", "   A&amp;B&lt;C&gt;D [Pf]"},
      {"\"Hi\" 'yo'", " &quot;Hi&quot; &apos;yo&apos; [Pf]"},
      {"Caf\xE9", "   Caf\\xe9 [Pf]"},
      {"\xC3\xA9t\xC3\xA9", "\\xc3\\xa9t\\xc3\\xa9 [Pf]"},
      {"\x1B[2J\x7F", "\\x1b[2J\\x7f [Pf]"},
      {"Tab\tLF\n", "Tab\\x09LF\\x0a [Pf]"},
  };
  document_->InternalInstrumentBank().SetHasContent(true);
  int slot = 0;
  for (const auto& c : cases) {
    Item& item = *document_->InternalInstrumentBank().ItemAt(slot++);
    DemoBank::FillItem(item, "", 1, 7);
    SetRawName(item, c.bytes);
  }
  const std::string file = "A&B \"Q\" <x> \x01\xFF\xC3\xA9.midnam";
  MIDNAM_File names;
  names.SetFileName(dir_.File(file));
  names.BuildNameDocument(*document_);
  const std::string text = SaveAndRead(names, file);
  slot = 0;
  for (const auto& c : cases) {
    const std::string line = "          <Patch Number=\"00" + std::to_string(slot + 1) +
                             "\" Name=\"" + c.written + "\" ProgramChange=\"" +
                             std::to_string(slot) + "\"/>\n";
    EXPECT_NE(text.find(line), std::string::npos) << line;
    ++slot;
  }
  const std::string base = "A&amp;B &quot;Q&quot; &lt;x&gt; \xEF\xBF\xBD\xEF\xBF\xBD\xC3\xA9";
  EXPECT_NE(text.find("    <Model>S80 - " + base + "</Model>\n"), std::string::npos);
  EXPECT_NE(text.find("<PatchBank Name=\"Yamaha S80 - " + base + " - Internal Instrument\">"),
            std::string::npos);
  EXPECT_TRUE(WellFormed(dir_.File(file)));
}

TEST_F(MIDNAM_FileTest, EscapedKeepsOnlyWellFormedUtf8) {
  const std::string fffd = "\xEF\xBF\xBD";
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"plain 1-2", "plain 1-2"},
      {"&<>\"'", "&amp;&lt;&gt;&quot;&apos;"},
      {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB9", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB9"},
      {"\x01\t\x7F", fffd + fffd + fffd},
      {"a\x80"
       "b",
       "a" + fffd + "b"},
      {"a\xC3", "a" + fffd},                            // cut short
      {"\xC3(", fffd + "("},                            // no continuation byte
      {"\xC0\xAF", fffd + fffd},                        // overlong
      {"\xE0\x9F\xBF", fffd + fffd + fffd},             // overlong
      {"\xED\xA0\x80", fffd + fffd + fffd},             // a surrogate
      {"\xEF\xBF\xBE", fffd + fffd + fffd},             // U+FFFE
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // past U+10FFFF
      {"\xF4\x8F\xBF\xBD", "\xF4\x8F\xBF\xBD"},         // U+10FFFD
  };
  for (const auto& c : cases)
    EXPECT_EQ(MIDNAM_File::Escaped(c.text), c.escaped) << c.escaped;
}

TEST(SupportingFileExtension, InsOrMidnamInAnyLetterCase) {
  const struct {
    const char* path;
    bool supporting;
  } cases[] = {{"a.midnam", true}, {"/d/A.MIDNAM", true}, {"x.ins", true}, {"x.midnam.bak", false},
               {"midnam", false},  {"x.s2a", false},      {"x.mid", false}};
  for (const auto& c : cases)
    EXPECT_EQ(IsSupportingFile(c.path), c.supporting) << c.path;
}

TEST_F(MIDNAM_FileTest, AFailedSaveWritesNothingAndKeepsTheOldFile) {
  DemoBank::FillDocument(*document_, 8);
  int result = 0;
  EXPECT_EQ(StderrOf([&] { return SaveBankFile(*document_, dir_.File("no/such.midnam")); }, result),
            "Error opening file: No such file or directory\n");
  EXPECT_EQ(result, -1);

  const std::string path = dir_.File("kept.midnam");
  const std::vector<std::uint8_t> old(3000, 'o');
  test::WriteBytes(path, old);
  MIDNAM_File names;
  names.SetFileName(path);
  names.BuildNameDocument(*document_);
  ASSERT_GT(names.Text().Size(), 4096);
  EXPECT_EQ(test::SaveBeyondFileSizeLimit(names, dir_.File("err.log"), 4096), 0);
  EXPECT_EQ(TextOf(test::ReadBytes(dir_.File("err.log"))),
            std::string("Error writing file: ") + std::strerror(EFBIG) + "\n");
  EXPECT_EQ(test::ReadBytes(path), old);
  // Written only: a load fails and changes neither the text nor the file.
  const std::string text = TextOf(names);
  EXPECT_EQ(names.Load(), -1);
  EXPECT_EQ(TextOf(names), text);
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"err.log", "kept.midnam", "settings.conf"}));
}

}  // namespace

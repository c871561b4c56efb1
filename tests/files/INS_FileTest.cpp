// The instrument definition: every line is written out here by hand (names padded, categories
// looked up in our own table), and the file is compared byte for byte.

#include "files/INS_File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "model/S2A_File.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using test::StderrOf;
using Lines = std::vector<std::string>;

constexpr const char* kCategories[] = {"--", "Pf", "Cp", "Or", "Gt", "Ba", "St", "En",
                                       "Br", "Rd", "Pi", "Ld", "Pd", "Fx", "Et", "Pc",
                                       "Se", "Dr", "Sc", "Vo", "Co", "Wv", "Sq"};

std::string Text(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\r\n";
  return text;
}

std::string TextOf(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

void Append(Lines& lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

const std::string kSeparator = "; " + std::string(66, '-');

Lines HeaderLines() {
  return {"; File Auto-generated using Corvale",
          ";   Corvale, the S80 bank editor and librarian, 2026",
          "",
          kSeparator,
          ".Patch Names",
          ""};
}

Lines FixedBlockLines(const std::string& base) {
  Lines lines = {kSeparator, ".Controller Names", "", "[Yamaha S80 Controllers]"};
  Append(lines, {"0=0-Bank Select MSB",
                 "1=1-Modulation",
                 "5=5-Portamento Time",
                 "6=6-Data Entry MSB",
                 "7=7-Master Volume",
                 "10=10-Panpot",
                 "11=11-Expression",
                 "32=32-Bank Select LSB",
                 "38=38-Data Entry LSB",
                 "64=64-Sustain",
                 "65=65-Portamento",
                 "66=66-Sostenuto",
                 "67=67-Soft Pedal",
                 "71=71-Harmonic Content",
                 "72=72-Release Time",
                 "73=73-Attack Time",
                 "74=74-Brightness",
                 "91=91-Effect1 Depth",
                 "93=93-Effect2 Depth",
                 "96=96-RPN Increment",
                 "97=97-RPN Decrement",
                 "98=98-NRPN LSB",
                 "99=99-NRPN MSB",
                 "100=100-RPN LSB",
                 "101=101-RPN MSB",
                 "120=120-All Sound Off",
                 "121=121-Reset All Controllers",
                 "123=123-All Notes Off",
                 "124=124-OMNI Off",
                 "125=125-OMNI On",
                 "126=126-Mono",
                 "127=127-Poly"});
  Append(lines, {"", kSeparator, ".RPN Names", "", "", kSeparator, ".NRPN Names", "", "",
                 kSeparator, ".Instrument Definitions", "", "[Yamaha S80 - " + base + "]",
                 "Control=Yamaha S80 Controllers"});
  return lines;
}

// Name and category straight from the image bytes: the name is the first ten bytes up to a
// zero, the category code is the signed byte at 12.
std::string SlotLine(int slot, const Item& item) {
  const auto image = item.Data();
  std::string name;
  for (int i = 0; i < 10 && image[i] != 0; ++i)
    name += static_cast<char>(image[i]);
  const int code = static_cast<std::int8_t>(image[12]);
  const std::string category = code >= 0 && code < 23 ? kCategories[code] : "--";
  const std::string prefix = item.Kind() == ItemKind::Performance ? "Perf: " : "";
  return std::to_string(slot) + "=" + prefix + std::string(10 - name.size(), ' ') + name + " [" +
         category + "]";
}

Lines SectionLines(const std::string& base, const char* longName, const Bank& bank) {
  Lines lines = {"[Yamaha S80 - " + base + " - " + longName + "]"};
  int slot = 0;
  bank.ForEachItem([&](const Item& item) { lines.push_back(SlotLine(slot++, item)); });
  lines.push_back("");
  return lines;
}

struct ListedBank {
  const char* longName;
  int number;
  const Bank& (*bank)(const S2A_File&);
};

// The document's bank-list order, with the bank-select numbers (MSB 63 * 128 + LSB).
const ListedBank kListOrder[] = {
    {"Internal Instrument", 8072,
     [](const S2A_File& d) -> const Bank& { return d.InternalInstrumentBank(); }},
    {"External Instrument", 8073,
     [](const S2A_File& d) -> const Bank& { return d.ExternalInstrumentBank(); }},
    {"External Performance", 8129,
     [](const S2A_File& d) -> const Bank& { return d.ExternalPerformanceBank(); }},
    {"Internal Performance", 8128,
     [](const S2A_File& d) -> const Bank& { return d.InternalPerformanceBank(); }},
    {"External Percussion", 8105,
     [](const S2A_File& d) -> const Bank& { return d.ExternalPercussionBank(); }},
    {"Internal Percussion", 8104,
     [](const S2A_File& d) -> const Bank& { return d.InternalPercussionBank(); }},
};

// The whole expected file for the banks of `document` that hold content.
std::string ExpectedDefinition(const S2A_File& document, const std::string& base) {
  Lines lines = HeaderLines();
  for (const ListedBank& listed : kListOrder) {
    if (listed.bank(document).HasContent())
      Append(lines, SectionLines(base, listed.longName, listed.bank(document)));
  }
  Append(lines, FixedBlockLines(base));
  for (const ListedBank& listed : kListOrder) {
    if (listed.bank(document).HasContent()) {
      lines.push_back("Patch[" + std::to_string(listed.number) + "]=Yamaha S80 - " + base + " - " +
                      listed.longName);
    }
  }
  return Text(lines);
}

class INS_FileTest : public test::SupportingFileTest {};

TEST_F(INS_FileTest, FullDocumentIsWrittenByteForByte) {
  S2A_File filled;
  DemoBank::FillDocument(filled, 5);
  DemoBank::FillItem(*filled.InternalPerformanceBank().ItemAt(0), "Rock Lead", 11, 70);
  DemoBank::FillItem(*filled.InternalInstrumentBank().ItemAt(0), "", 0, 71);
  DemoBank::FillItem(*filled.InternalInstrumentBank().ItemAt(1), "Bright Pno", 1, 72);
  DemoBank::FillItem(*filled.ExternalInstrumentBank().ItemAt(127), "Odd Code", 23, 73);
  DemoBank::FillItem(*filled.ExternalPercussionBank().ItemAt(1), "Neg Code", 0x90, 74);
  ASSERT_EQ(filled.Save(dir_.File("set.s2a")), 0);
  ASSERT_EQ(document_->Load(dir_.File("set.s2a")), 0);
  for (const ListedBank& listed : kListOrder)
    ASSERT_TRUE(listed.bank(*document_).HasContent()) << listed.longName;

  INS_File definition;
  definition.SetFileName(dir_.File("S80 Set.ins"));
  definition.BuildInstrumentDefinition(*document_);
  const std::string text = SaveAndRead(definition, "S80 Set.ins");
  EXPECT_EQ(text, ExpectedDefinition(*document_, "S80 Set"));
  EXPECT_EQ(text, TextOf(definition.Text().Contents()));

  // The hand-made slots, written out literally.
  EXPECT_NE(text.find("[Yamaha S80 - S80 Set - Internal Instrument]\r\n"
                      "0=           [--]\r\n"
                      "1=Bright Pno [Pf]\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\n127=  Odd Code [--]\r\n\r\n[Yamaha S80 - S80 Set - External Performance]"
                      "\r\n0=Perf: "),
            std::string::npos);
  EXPECT_NE(text.find("[Yamaha S80 - S80 Set - Internal Performance]\r\n"
                      "0=Perf:  Rock Lead [Ld]\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("[Yamaha S80 - S80 Set - External Percussion]\r\n"
                      "0=  Elec Kit [Dr]\r\n"
                      "1=  Neg Code [--]\r\n"
                      "\r\n"
                      "[Yamaha S80 - S80 Set - Internal Percussion]\r\n"),
            std::string::npos);
  EXPECT_TRUE(
      text.ends_with("Control=Yamaha S80 Controllers\r\n"
                     "Patch[8072]=Yamaha S80 - S80 Set - Internal Instrument\r\n"
                     "Patch[8073]=Yamaha S80 - S80 Set - External Instrument\r\n"
                     "Patch[8129]=Yamaha S80 - S80 Set - External Performance\r\n"
                     "Patch[8128]=Yamaha S80 - S80 Set - Internal Performance\r\n"
                     "Patch[8105]=Yamaha S80 - S80 Set - External Percussion\r\n"
                     "Patch[8104]=Yamaha S80 - S80 Set - Internal Percussion\r\n"));
  // Every line ends in CR LF, and there is no other CR or LF.
  std::size_t lineEnds = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(text[i - 1], '\r') << i;
      ++lineEnds;
    } else if (text[i] == '\r') {
      ASSERT_LT(i + 1, text.size());
      EXPECT_EQ(text[i + 1], '\n') << i;
    }
  }
  // 6 header lines, 6 section heads and blanks, 452 slots, 50 fixed lines, 6 patch lines.
  EXPECT_EQ(lineEnds, 6u + 12u + 452u + 50u + 6u);
}

// A control byte in a name would end its patch line early (CR, LF) or reach a terminal (ESC):
// each becomes '?', in program names and in the file's base name alike, every other byte stays,
// and the file keeps one line per patch.
TEST_F(INS_FileTest, ControlBytesInNamesAreWrittenAsQuestionMarks) {
  const struct {
    std::string name;
    std::string slot;
  } cases[] = {
      {"Pno\r\nStr", "0=  Pno??Str [Pf]"},
      {"\x1B[2J", "0=      ?[2J [Pf]"},
      {"\x01\x1F\x7F"
       "A",
       "0=      ???A [Pf]"},
      {"\t Tab\n", "0=    ? Tab? [Pf]"},
      {"Caf\xE9~ ", "0=    Caf\xE9~  [Pf]"},  // not control bytes: as they are
  };
  const std::string file = "Line\nBreak\x1B.ins";
  const std::string title = "[Yamaha S80 - Line?Break? - Internal Instrument]";
  document_->InternalInstrumentBank().SetHasContent(true);
  for (const auto& c : cases) {
    Item& item = *document_->InternalInstrumentBank().ItemAt(0);
    DemoBank::FillItem(item, "", 1, 7);
    std::copy(c.name.begin(), c.name.end(), item.Data().begin());  // SetName would refuse
    INS_File definition;
    definition.SetFileName(dir_.File(file));
    definition.BuildInstrumentDefinition(*document_);

    Lines lines = HeaderLines();
    Append(lines, {title, c.slot});
    for (int slot = 1; slot < 128; ++slot)
      lines.push_back(std::to_string(slot) + "=" + std::string(10, ' ') + " [--]");
    lines.push_back("");
    Append(lines, FixedBlockLines("Line?Break?"));
    lines.push_back("Patch[8072]=Yamaha S80 - Line?Break? - Internal Instrument");
    const std::string text = SaveAndRead(definition, file);
    EXPECT_EQ(text, Text(lines)) << c.slot;
    // 6 header lines, the title, 128 slots and a blank, 50 fixed lines, one patch line.
    const std::size_t breaks = 6 + 1 + 128 + 1 + 50 + 1;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), breaks) << c.slot;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), breaks) << c.slot;
    EXPECT_EQ(text.find('\x1B'), std::string::npos) << c.slot;
  }
}

TEST_F(INS_FileTest, OnlyBanksWithContentGetSectionsInTheListOrder) {
  document_->InternalPercussionBank().SetHasContent(true);
  document_->ExternalPerformanceBank().SetHasContent(true);
  DemoBank::FillItem(*document_->InternalPercussionBank().ItemAt(1), "Room Kit", 17, 3);
  DemoBank::FillItem(*document_->ExternalPerformanceBank().ItemAt(63), "Last One", 22, 4);
  // A bank without the flag is left out whatever its items hold.
  DemoBank::FillItem(*document_->InternalInstrumentBank().ItemAt(0), "Hidden", 1, 5);

  INS_File definition;
  definition.SetFileName(dir_.File("part.ins"));
  definition.BuildInstrumentDefinition(*document_);
  const std::string text = SaveAndRead(definition, "part.ins");

  Lines lines = HeaderLines();
  lines.push_back("[Yamaha S80 - part - External Performance]");
  for (int slot = 0; slot < 63; ++slot)
    lines.push_back(std::to_string(slot) + "=Perf: " + std::string(10, ' ') + " [--]");
  lines.push_back("63=Perf:   Last One [Sq]");
  Append(lines, {"", "[Yamaha S80 - part - Internal Percussion]", "0=           [--]",
                 "1=  Room Kit [Dr]", ""});
  Append(lines, FixedBlockLines("part"));
  Append(lines, {"Patch[8129]=Yamaha S80 - part - External Performance",
                 "Patch[8104]=Yamaha S80 - part - Internal Percussion"});
  EXPECT_EQ(text, Text(lines));
  EXPECT_EQ(text.find("Hidden"), std::string::npos);
}

TEST_F(INS_FileTest, NoBankWithContentGivesOnlyTheFixedBlock) {
  for (const ListedBank& listed : kListOrder)
    ASSERT_FALSE(listed.bank(*document_).HasContent()) << listed.longName;
  INS_File definition;
  definition.SetFileName(dir_.File("empty.ins"));
  definition.BuildInstrumentDefinition(*document_);
  Lines lines = HeaderLines();
  Append(lines, FixedBlockLines("empty"));
  EXPECT_EQ(SaveAndRead(definition, "empty.ins"), Text(lines));
}

TEST_F(INS_FileTest, RebuildingReplacesTheWholeText) {
  S2A_File filled;
  DemoBank::FillDocument(filled, 2);
  INS_File definition;
  definition.SetFileName(dir_.File("again.ins"));
  definition.BuildInstrumentDefinition(filled);
  definition.BuildInstrumentDefinition(*document_);
  Lines lines = HeaderLines();
  Append(lines, FixedBlockLines("again"));
  EXPECT_EQ(SaveAndRead(definition, "again.ins"), Text(lines));
}

TEST_F(INS_FileTest, BaseNameDropsTheFolderAndTheLastExtension) {
  const struct {
    std::optional<std::string> path;
    const char* base;
  } cases[] = {{"/some/where/S80 Set.ins", "S80 Set"},
               {"a.b.ins", "a.b"},
               {"/d.x/file", "file"},
               {"plain", "plain"},
               {"/d/Name.INS", "Name"},
               {std::nullopt, "Unknown"}};
  for (const auto& c : cases) {
    INS_File definition;
    definition.SetFileName(c.path);
    EXPECT_EQ(definition.BaseName(), c.base) << c.path.value_or("(none)");
    definition.BuildInstrumentDefinition(*document_);
    const auto contents = definition.Text().Contents();
    const std::string text(contents.begin(), contents.end());
    EXPECT_NE(text.find(std::string("\r\n[Yamaha S80 - ") + c.base +
                        "]\r\nControl=Yamaha S80 Controllers\r\n"),
              std::string::npos)
        << c.base;
  }

  document_->InternalInstrumentBank().SetHasContent(true);
  INS_File definition;
  definition.SetFileName(dir_.File("a.b.ins"));
  definition.BuildInstrumentDefinition(*document_);
  const std::string text = SaveAndRead(definition, "a.b.ins");
  EXPECT_TRUE(
      text.starts_with(Text(HeaderLines()) + "[Yamaha S80 - a.b - Internal Instrument]\r\n"));
  EXPECT_NE(text.find("\r\nPatch[8072]=Yamaha S80 - a.b - Internal Instrument\r\n"),
            std::string::npos);
}

TEST_F(INS_FileTest, ALongBaseNameIsCutTo63BytesBetweenCharacters) {
  const std::string e = "\xC3\xA9";         // two bytes
  const std::string euro = "\xE2\x82\xAC";  // three bytes
  const struct {
    std::string name;
    std::string base;
  } cases[] = {
      {std::string(70, 'n') + ".ins", std::string(63, 'n')},
      {std::string(63, 'n') + ".ins", std::string(63, 'n')},
      {std::string(62, 'n') + e + ".ins", std::string(62, 'n')},
      {std::string(61, 'n') + e + ".ins", std::string(61, 'n') + e},
      {std::string(61, 'n') + euro + "x.ins", std::string(61, 'n')},
      {std::string(62, 'n') + euro + ".ins", std::string(62, 'n')},
      {std::string(60, 'n') + euro + "x.ins", std::string(60, 'n') + euro},
      {std::string(63, 'n') + e + ".ins", std::string(63, 'n')},
  };
  for (const auto& c : cases) {
    INS_File definition;
    definition.SetFileName("/folder/" + c.name);
    EXPECT_EQ(definition.BaseName(), c.base) << c.name;
  }

  const std::string name = std::string(60, 'n') + e + e + ".ins";  // 64 bytes before ".ins"
  document_->InternalPercussionBank().SetHasContent(true);
  INS_File definition;
  definition.SetFileName(dir_.File(name));
  definition.BuildInstrumentDefinition(*document_);
  const std::string base = std::string(60, 'n') + e;
  const std::string text = SaveAndRead(definition, name);
  EXPECT_NE(text.find("\r\n[Yamaha S80 - " + base + " - Internal Percussion]\r\n0="),
            std::string::npos);
  EXPECT_NE(text.find("\r\n[Yamaha S80 - " + base + "]\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPatch[8104]=Yamaha S80 - " + base + " - Internal Percussion\r\n"),
            std::string::npos);
}

TEST_F(INS_FileTest, LoadAlwaysFailsAndTouchesNothing) {
  INS_File definition;
  definition.SetFileName(dir_.File("written.ins"));
  definition.BuildInstrumentDefinition(*document_);
  const std::string written = SaveAndRead(definition, "written.ins");
  const auto before = definition.Text().Contents();
  const std::string text(before.begin(), before.end());

  int result = 0;
  EXPECT_EQ(StderrOf([&] { return definition.Load(dir_.File("written.ins")); }, result), "");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(StderrOf([&] { return definition.Load(); }, result), "");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(StderrOf([&] { return definition.Load(dir_.File("missing.ins")); }, result), "");
  EXPECT_EQ(result, -1);
  INS_File unnamed;
  EXPECT_EQ(unnamed.Load(), -1);

  const auto after = definition.Text().Contents();
  EXPECT_EQ(std::string(after.begin(), after.end()), text);
  EXPECT_EQ(TextOf(test::ReadBytes(dir_.File("written.ins"))), written);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"settings.conf", "written.ins"}));
}

TEST_F(INS_FileTest, SaveFailuresReportAndWriteNothing) {
  INS_File definition;
  definition.BuildInstrumentDefinition(*document_);
  int result = 0;
  EXPECT_EQ(StderrOf([&] { return definition.Save(); }, result), "") << "no file name";
  EXPECT_EQ(result, -1);
  EXPECT_EQ(StderrOf([&] { return definition.Save(dir_.File("missing/folder.ins")); }, result),
            "Error opening file: No such file or directory\n");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"settings.conf"});
}

TEST_F(INS_FileTest, SavingOverALongerFileLeavesExactlyTheNewBytes) {
  const std::string path = dir_.File("over.ins");
  test::WriteBytes(path, std::vector<std::uint8_t>(200000, 'x'));
  INS_File definition;
  definition.SetFileName(path);
  definition.BuildInstrumentDefinition(*document_);
  Lines lines = HeaderLines();
  Append(lines, FixedBlockLines("over"));
  EXPECT_EQ(SaveAndRead(definition, "over.ins"), Text(lines));
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"over.ins", "settings.conf"}));
}

}  // namespace

// The formats by file extension: which format a name is of, and the facts each holds (what it
// holds, its readers and writers, the lists of extensions the user reads).

#include "files/FileFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "model/BankLayouts.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The extension rule.

TEST(FileExtensionRule, TheTextAfterTheLastDotMatchesWithoutRegardToCase) {
  const struct {
    const char* path;
    const char* extension;
    bool matches;
  } cases[] = {
      {"x.s2a", "s2a", true},        {"X.S2A", "s2a", true},      {"x.s2a", "S2A", true},
      {"x.S2a", "s2A", true},        {".s2a", "s2a", true},       {"/d/x.tar.s2v", "s2v", true},
      {"x..s2a", "s2a", true},       {"s2a", "s2a", false},       {"xs2a", "s2a", false},
      {"x_s2a", "s2a", false},       {"x.s2a.bak", "s2a", false}, {"x.s2ab", "s2a", false},
      {"x.2a", "s2a", false},        {"", "s2a", false},          {"a", "s2a", false},
      {"/d.s2a/file", "s2a", false}, {"x.s2a ", "s2a", false},    {"x.s2i", "s2a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasExtension(std::string(c.path), std::string(c.extension)), c.matches)
        << '"' << c.path << "\" with \"" << c.extension << '"';
  }
}

TEST(FileExtensionRule, AnEmptyExtensionNeedsALastDotAndAnAbsentOneOnlyAPath) {
  // Empty extension: shorter than any non-empty path, so the last character must be the dot.
  EXPECT_TRUE(HasExtension(std::string("name."), std::string("")));
  EXPECT_TRUE(HasExtension(std::string("."), std::string("")));
  EXPECT_FALSE(HasExtension(std::string("name"), std::string("")));
  EXPECT_FALSE(HasExtension(std::string(""), std::string("")));
  EXPECT_FALSE(HasExtension(std::string(".s2a"), std::string("")));

  EXPECT_FALSE(HasExtension(std::nullopt, std::string("s2a")));
  EXPECT_FALSE(HasExtension(std::nullopt, std::nullopt));
  EXPECT_TRUE(HasExtension(std::string("x.s2a"), std::nullopt));
  EXPECT_TRUE(HasExtension(std::string("plain"), std::nullopt));
  EXPECT_TRUE(HasExtension(std::string(""), std::nullopt));
}

TEST(FileExtensionRule, EachKindOfFileIsKnownByItsExtensionInAnyCase) {
  const struct {
    const char* path;
    bool bank;
    bool item;
    bool dump;
    bool supporting;
  } cases[] = {
      {"x.s2a", true, false, false, false},      {"X.S2V", true, false, false, false},
      {"/d/x.S2e", true, false, false, false},   {"x.s2i", false, true, false, false},
      {"x.SYX", false, true, true, false},       {"x.Syx", false, true, true, false},
      {"x.mid", false, true, true, false},       {"x.MID", false, true, true, false},
      {"x.midi", false, false, false, false},    {"x.midnam", false, false, false, true},
      {"x.ins", false, false, false, true},      {"x.MidNam", false, false, false, true},
      {"x.s2a.bak", false, false, false, false}, {"s2a", false, false, false, false},
      {"syx", false, false, false, false},       {"x.s2", false, false, false, false},
      {"", false, false, false, false},          {"x.ins.txt", false, false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsBankFile(c.path), c.bank) << c.path;
    EXPECT_EQ(IsItemFile(c.path), c.item) << c.path;
    EXPECT_EQ(IsDumpFile(c.path), c.dump) << c.path;
    EXPECT_EQ(IsSupportingFile(c.path), c.supporting) << c.path;
    EXPECT_EQ(OpensAsDocument(c.path), c.bank || c.dump) << c.path;
    const FileFormat* format = FileFormatOf(std::string(c.path));
    EXPECT_EQ(format != nullptr, c.bank || c.item || c.supporting) << c.path;
  }
  EXPECT_EQ(FileFormatOf(std::nullopt), nullptr);
}

// The lists of extensions the users read in error lines, each made from the table in its order.
TEST(FileFormatTable, TheListsOfExtensionsAreTheTextsTheUserReads) {
  const struct {
    bool (FileFormat::*picked)() const;
    const char* text;
  } cases[] = {
      {&FileFormat::HoldsBanks, ".s2a, .s2v or .s2e"},
      {&FileFormat::HoldsItem, ".s2i, .syx or .mid"},
      {&FileFormat::HoldsDumps, ".syx or .mid"},
      {&FileFormat::IsSupporting, ".ins or .midnam"},
      {&FileFormat::OpensAsDocument, ".s2a, .s2v, .s2e, .syx or .mid"},
      {&FileFormat::SavesDocument, ".s2a, .s2v, .s2e, .syx, .mid, .ins or .midnam"},
      {&FileFormat::IsReadable, ".s2a, .s2v, .s2e, .s2i, .syx or .mid"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExtensionList(c.picked), c.text);
}

// What a format holds decides which readers and writers it has: a format lacking one fails
// without a word where it should have read or written.
TEST(FileFormatTable, EachFormatHasTheReadersAndWritersOfWhatItHolds) {
  std::vector<std::string> extensions;
  for (const FileFormat& format : FileFormats()) {
    const std::string what = format.extension;
    extensions.push_back(what);
    std::string upper = what;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ(FileFormatOf("/d/x." + upper), &format) << what;
    const bool banks = format.content == FileContent::Banks;
    const bool item = format.content == FileContent::Item;
    const bool dumps = format.content == FileContent::Dumps;
    EXPECT_EQ(format.readDocument != nullptr, banks || dumps) << what;
    EXPECT_EQ(format.writeDocument != nullptr, !item) << what;
    EXPECT_EQ(format.readItem != nullptr, item || dumps) << what;
    EXPECT_EQ(format.writeItem != nullptr, item || dumps) << what;
    EXPECT_EQ(format.readMessages != nullptr, dumps) << what;
    EXPECT_EQ(format.writeMessages != nullptr, dumps) << what;
    EXPECT_EQ(format.container != nullptr, banks || item) << what;
    // A bank file of some banks names them and the others, for a save that leaves some out.
    const bool some = format.holds != nullptr;
    EXPECT_TRUE(!some || banks) << what;
    EXPECT_EQ(std::string(format.heldBanks).empty(), !some) << what;
    EXPECT_EQ(std::string(format.otherBanks).empty(), !some) << what;
    int held = 0;
    for (const BankLayout& layout : kBankLayouts)
      held += format.HoldsBank(layout);
    EXPECT_EQ(held, format.extension == std::string("s2v")   ? 4
                    : format.extension == std::string("s2e") ? 3
                                                             : 6)
        << what;
  }
  std::sort(extensions.begin(), extensions.end());
  EXPECT_EQ(std::adjacent_find(extensions.begin(), extensions.end()), extensions.end());
}

}  // namespace

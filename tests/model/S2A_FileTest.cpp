#include "model/S2A_File.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "demo/DemoBank.h"
#include "files/DefaultFiles.h"
#include "files/S2I_File.h"
#include "model/BankLayouts.h"
#include "model/SharedDefaults.h"
#include "tests/support/TestSupport.h"

namespace {

class S2A_FileTest : public testing::Test {
 protected:
  void SetUp() override { test::UseNoConfiguration(dir_); }
  test::TempDir dir_;
};

std::vector<std::uint8_t> Image(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

bool AllZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

TEST_F(S2A_FileTest, BankListVisitsTheSixBanksInWalkOrder) {
  S2A_File document;
  std::vector<std::string> names;
  for (auto* node = document.Banks(); node != nullptr; node = node->NextNode()) {
    names.push_back(node->Element()->LongName());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Internal Instrument", "External Instrument",
                                             "External Performance", "Internal Performance",
                                             "External Percussion", "Internal Percussion"}));
  EXPECT_EQ(document.InternalPercussionBank().BankSelectNumber(), 8104);
  EXPECT_EQ(document.ExternalPerformanceBank().Count(), 64);
}

// Every row of the bank table reaches a bank of its own in the document, built as the row says.
TEST_F(S2A_FileTest, BankTableAgreesWithTheBanksBuilt) {
  S2A_File document;
  std::set<const Bank*> reached;
  for (const BankLayout& row : kBankLayouts) {
    SCOPED_TRACE(row.word);
    const Bank& bank = row.bankIn(document);
    reached.insert(&bank);
    EXPECT_EQ(bank.BankSelectMsb(), row.msb);
    EXPECT_EQ(bank.BankSelectLsb(), row.lsb);
    EXPECT_EQ(bank.LongName(), row.longName);
    EXPECT_EQ(bank.ShortName(), row.shortName);
    EXPECT_EQ(bank.Count(), row.capacity);
    int ofOtherKind = 0;
    bank.ForEachItem([&](const Item& item) { ofOtherKind += item.Kind() != row.kind; });
    EXPECT_EQ(ofOtherKind, 0);
    EXPECT_EQ(FindBankLayoutByWord(row.word), &row);
  }
  EXPECT_EQ(reached.size(), kBankLayouts.size());
  EXPECT_EQ(FindBankLayoutByWord("int-ins"), nullptr);
}

TEST_F(S2A_FileTest, WithoutDefaultFilesANewSetIsZeroAndHasNoClp) {
  S2A_File document;
  EXPECT_FALSE(document.FileName());
  EXPECT_FALSE(document.HasClpBlock());
  EXPECT_TRUE(AllZero(document.SysBlock()));
  EXPECT_TRUE(AllZero(document.ClpBlock()));
  EXPECT_TRUE(AllZero(document.InternalPerformanceBank().ItemAt(7)->Data()));
  EXPECT_FALSE(test::Exists("/Default All.s2a")) << "a failed default load leaves nothing";
}

TEST_F(S2A_FileTest, CopyFromCopiesEverythingButTheFileNameAndSharesNothing) {
  S2A_File source;
  DemoBank::FillDocument(source);
  S2A_File copy;
  copy.SetFileName("mine.s2a");
  copy.CopyFrom(source);
  EXPECT_EQ(copy.FileName(), "mine.s2a");
  EXPECT_TRUE(copy.HasClpBlock());
  EXPECT_TRUE(
      std::equal(copy.PlvBlock().begin(), copy.PlvBlock().end(), source.PlvBlock().begin()));
  EXPECT_EQ(Image(*copy.ExternalPercussionBank().ItemAt(1)),
            Image(*source.ExternalPercussionBank().ItemAt(1)));
  EXPECT_TRUE(copy.InternalInstrumentBank().HasContent());

  copy.InternalInstrumentBank().ItemAt(0)->Data()[40] ^= 1;
  EXPECT_NE(Image(*copy.InternalInstrumentBank().ItemAt(0)),
            Image(*source.InternalInstrumentBank().ItemAt(0)));

  S2A_File blank;
  source.CopyFrom(blank);
  EXPECT_FALSE(source.HasClpBlock()) << "the CLP flag is copied both ways";
}

// The shared defaults: new items and sets copy the default files, each read once per run.
class SharedDefaultsTest : public testing::Test {
 protected:
  void SetUp() override {
    config_ = dir_.File("config");
    std::filesystem::create_directory(config_);
    test::UseNoConfiguration(dir_);
    DemoBank::FillDocument(defaults_, 3);
    ASSERT_EQ(defaults_.Save(config_ + "/Default All.s2a"), 0);
    for (Item* item : {static_cast<Item*>(defaults_.InternalInstrumentBank().ItemAt(4)),
                       static_cast<Item*>(defaults_.ExternalPercussionBank().ItemAt(1)),
                       static_cast<Item*>(defaults_.ExternalPerformanceBank().ItemAt(2))}) {
      S2I_File file;
      file.SetItem(*item);
      ASSERT_EQ(file.Save(config_ + "/" + KindInfo(item->Kind()).defaultFileName), 0);
    }
    test::UseConfiguration(dir_, config_);
  }
  void TearDown() override { test::UseNoConfiguration(dir_); }

  test::TempDir dir_;
  std::string config_;
  S2A_File defaults_;
};

TEST_F(SharedDefaultsTest, NewItemsAndSetsAreCopiesOfTheDefaultFiles) {
  Percussion drums;
  EXPECT_EQ(Image(drums), Image(*defaults_.ExternalPercussionBank().ItemAt(1)));
  Performance performance;
  EXPECT_EQ(Image(performance), Image(*defaults_.ExternalPerformanceBank().ItemAt(2)));

  S2A_File document;
  EXPECT_FALSE(document.FileName());
  EXPECT_TRUE(document.HasClpBlock());
  EXPECT_EQ(Image(*document.ExternalInstrumentBank().ItemAt(77)),
            Image(*defaults_.ExternalInstrumentBank().ItemAt(77)));
  EXPECT_TRUE(std::equal(document.ClpBlock().begin(), document.ClpBlock().end(),
                         defaults_.ClpBlock().begin()));

  // Reset returns a bank's items to the default item, not to the default set's slot.
  document.InternalInstrumentBank().ResetAll();
  EXPECT_EQ(Image(*document.InternalInstrumentBank().ItemAt(0)),
            Image(*defaults_.InternalInstrumentBank().ItemAt(4)));
}

TEST_F(SharedDefaultsTest, EachDefaultFileIsReadOncePerRun) {
  Instrument first;
  S2A_File firstSet;
  std::filesystem::remove(config_ + "/Default Instrument.s2i");
  std::filesystem::remove(config_ + "/Default All.s2a");
  Instrument second;
  S2A_File secondSet;
  EXPECT_EQ(Image(first), Image(second));
  EXPECT_EQ(Image(*secondSet.InternalPerformanceBank().ItemAt(0)),
            Image(*firstSet.InternalPerformanceBank().ItemAt(0)));
}

// The model reads no file of its own: the defaults come from the source handed in.
TEST_F(SharedDefaultsTest, WithoutASourceEveryDefaultIsZeroAndTheFilesAreReadOnceOneIsHandedIn) {
  SharedDefaults::Use(nullptr);
  Performance zero;
  S2A_File zeroSet;
  EXPECT_TRUE(AllZero(zero.Data()));
  EXPECT_FALSE(zeroSet.HasClpBlock());

  DefaultFiles::Use();
  Performance performance;
  S2A_File document;
  EXPECT_EQ(Image(performance), Image(*defaults_.ExternalPerformanceBank().ItemAt(2)));
  EXPECT_TRUE(document.HasClpBlock());
}

TEST_F(SharedDefaultsTest, ADefaultFileOfTheWrongKindGivesAZeroDefault) {
  std::filesystem::copy_file(config_ + "/Default Percussion.s2i",
                             config_ + "/Default Instrument.s2i",
                             std::filesystem::copy_options::overwrite_existing);
  SharedDefaults::Forget();
  Instrument item;
  EXPECT_TRUE(AllZero(item.Data()));
}

// Without the setting, the default files are looked for beside the settings file. A default
// file that is not there is normal on a fresh install and says nothing; one that is there but
// cannot be read says so once, naming it.
TEST_F(SharedDefaultsTest, WithoutTheSettingTheDefaultsAreBesideTheSettingsFile) {
  test::UseNoConfiguration(dir_);
  std::filesystem::copy_file(config_ + "/Default Performance.s2i",
                             dir_.File("Default Performance.s2i"));
  test::WriteBytes(dir_.File("Default Instrument.s2i"), {'S', '2', 'I', 0});
  testing::internal::CaptureStderr();
  Performance performance;
  Percussion drums;
  S2A_File document;
  Instrument damaged;
  const std::string printed = testing::internal::GetCapturedStderr();

  EXPECT_EQ(Image(performance), Image(*defaults_.ExternalPerformanceBank().ItemAt(2)));
  EXPECT_TRUE(AllZero(drums.Data()));
  EXPECT_TRUE(AllZero(damaged.Data()));
  EXPECT_FALSE(document.HasClpBlock());
  const std::string expected =
      "Default file \"" + dir_.File("Default Instrument.s2i") + "\" could not be loaded";
  EXPECT_EQ(printed.rfind(expected, 0), 0u) << printed;
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
}

}  // namespace

#include "library/LibraryAddition.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "demo/DemoBank.h"
#include "files/S2V_File.h"
#include "library/CollectionEditing.h"
#include "midi/MidiWire.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "tests/library/LibraryTestSupport.h"

namespace {

namespace fs = std::filesystem;

class LibraryAdditionTest : public testing::Test {
 protected:
  void SetUp() override {
    store_ = test::OpenLibrary(dir_.File("library.sqlite"));
    ASSERT_NE(store_, nullptr);
  }

  // banks/demo.s2a, banks/sub/demo.s2v, banks/sub/demo.s2i, banks/sub/demo.syx and a text file.
  std::string WriteTree() {
    EXPECT_TRUE(test::WriteDemoFiles(dir_));
    fs::create_directories(dir_.File("banks/sub"));
    fs::rename(dir_.File("demo.s2a"), dir_.File("banks/demo.s2a"));
    for (const char* name : {"demo.s2v", "demo.s2i", "demo.syx"})
      fs::rename(dir_.File(name), dir_.File(std::string("banks/sub/") + name));
    test::WriteBytes(dir_.File("banks/sub/notes.txt"), {'h', 'i'});
    return dir_.File("banks");
  }

  int Add(std::vector<std::string> paths, AdditionReport& report) {
    LibraryAddition addition(*store_);
    addition.SetCancelFlag(&cancel_);
    const int result = addition.Add(paths, report);
    error_ = addition.Error();
    return result;
  }

  CollectionRow Collection(const std::string& path) {
    CollectionRow row;
    EXPECT_EQ(store_->FindCollection(path, row), 0) << path;
    return row;
  }

  test::TempDir dir_;
  std::unique_ptr<LibraryStore> store_;
  std::atomic<bool> cancel_{false};
  std::string error_;
};

TEST_F(LibraryAdditionTest, AFolderBecomesATreeOfCollectionsAndBanksKeepTheirOrder) {
  const std::string root = WriteTree();
  AdditionReport report;
  ASSERT_EQ(Add({root}, report), 0) << error_;
  EXPECT_EQ(report.filesRead, 4u) << "the text file is not read";
  EXPECT_EQ(report.newPrograms + report.knownPrograms, 452u + 260u + 1u + 1u);

  const CollectionRow top = Collection(root);
  const CollectionRow sub = Collection(root + "/sub");
  const CollectionRow all = Collection(root + "/demo.s2a");
  const CollectionRow voices = Collection(root + "/sub/demo.s2v");
  EXPECT_EQ(top.parentId, 0);
  EXPECT_EQ(sub.parentId, top.id);
  EXPECT_EQ(all.parentId, top.id);
  EXPECT_EQ(voices.parentId, sub.id);
  EXPECT_EQ(all.kind, CollectionRow::Kind::BankFile);
  EXPECT_EQ(sub.entryCount, 2) << "the programs of the .s2i and .syx files";
  EXPECT_EQ(voices.entryCount, 260);
  const auto names = [&](std::int64_t parent) {
    std::vector<CollectionRow> rows;
    EXPECT_EQ(store_->Collections(parent, rows), 0);
    std::vector<std::string> found;
    for (const CollectionRow& row : rows)
      found.push_back(row.name);
    return found;
  };
  EXPECT_EQ(names(0), std::vector<std::string>{"banks"});
  EXPECT_EQ(names(top.id), (std::vector<std::string>{"demo.s2a", "sub"}));

  // Every slot of every bank, in bank order, with the image the file holds.
  S2A_File demo;
  ASSERT_EQ(demo.Load(root + "/demo.s2a"), 0);
  std::vector<CollectionEntry> entries;
  ASSERT_EQ(store_->Entries(all.id, entries), 0);
  std::size_t at = 0;
  for (const BankLayout& layout : kBankLayouts) {
    layout.bankIn(demo).ForEachItem([&](const Item& item) {
      ASSERT_LT(at, entries.size());
      EXPECT_EQ(entries[at].bank, layout.word);
      EXPECT_EQ(entries[at].slot, item.SlotIndex());
      ProgramImage image;
      ASSERT_EQ(store_->ReadImage(entries[at].programId, image), 0);
      EXPECT_EQ(image.image, test::ImageOf(item)) << SlotPlace(item);
      ++at;
    });
  }
  EXPECT_EQ(at, entries.size());
}

// A view of one collection counts its entries and pages them in bank order, either way.
TEST_F(LibraryAdditionTest, ACollectionIsViewedInItsOwnOrder) {
  const std::string root = WriteTree();
  AdditionReport report;
  ASSERT_EQ(Add({root}, report), 0) << error_;
  ProgramFilter filter;
  filter.collection = Collection(root + "/sub/demo.s2v").id;
  filter.sort = ProgramFilter::Sort::Position;
  std::int64_t count = 0;
  ASSERT_EQ(store_->CountPrograms(filter, count), 0);
  EXPECT_EQ(count, 260);
  const struct {
    bool descending;
    std::int64_t offset;
    std::vector<std::string> names;
  } cases[] = {
      {false, 0, {"Grand Pno", "Bright Pno"}},
      {false, 256, {"Std Kit", "Room Kit"}},  // the first percussion slots follow the voices
      {true, 0, {"Perc Kit", "Elec Kit"}},
  };
  for (const auto& [descending, offset, names] : cases) {
    filter.descending = descending;
    std::vector<ListedProgram> rows;
    ASSERT_EQ(store_->FetchPrograms(filter, {.skip = offset, .limit = 2}, rows), 0);
    std::vector<std::string> found;
    for (const ListedProgram& row : rows)
      found.push_back(row.program.name);
    EXPECT_EQ(found, names) << offset << (descending ? " descending" : "");
  }
}

TEST_F(LibraryAdditionTest, AddingTheSameFilesAgainAddsNothing) {
  const std::string root = WriteTree();
  AdditionReport report;
  ASSERT_EQ(Add({root}, report), 0) << error_;
  const std::vector<std::int64_t> once = test::Counts(*store_);
  ASSERT_EQ(Add({root, root + "/demo.s2a", root + "/sub/demo.s2i"}, report), 0) << error_;
  EXPECT_EQ(report.newPrograms, 0u);
  EXPECT_EQ(test::Counts(*store_), once);
}

// A bank of defaults is a collection of every slot, so that the bank can be made again.
TEST_F(LibraryAdditionTest, DefaultSlotsStayInTheBankCollection) {
  S2V_File defaults;
  defaults.CopyBanksFrom(S2A_File());
  ASSERT_EQ(defaults.Save(dir_.File("empty.s2v")), 0);
  AdditionReport report;
  ASSERT_EQ(Add({dir_.File("empty.s2v")}, report), 0) << error_;
  EXPECT_EQ(report.newPrograms, 2u) << "one instrument, one drum kit";
  EXPECT_EQ(report.knownPrograms, 258u);
  EXPECT_EQ(Collection(dir_.File("empty.s2v")).entryCount, 260);
}

TEST_F(LibraryAdditionTest, DamagedFilesAreSkippedWithTheirReasonAndTheRestGoesIn) {
  ASSERT_TRUE(test::WriteDemoFiles(dir_));
  const std::vector<std::uint8_t> all = test::ReadBytes(dir_.File("demo.s2a"));
  test::WriteBytes(dir_.File("cut.s2a"), {all.begin(), all.begin() + all.size() / 2});
  test::WriteBytes(dir_.File("junk.s2i"), std::vector<std::uint8_t>(300, 1));
  test::WriteBytes(dir_.File("empty.syx"), {});
  const std::vector<std::uint8_t> dump = test::ReadBytes(dir_.File("demo.syx"));
  const auto messages = MidiWire::SysExMessages(dump);
  std::vector<std::uint8_t> lacking;  // without its third message, a block of the item
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (i != 2)
      lacking.insert(lacking.end(), messages[i].begin(), messages[i].end());
  }
  test::WriteBytes(dir_.File("lacking.syx"), lacking);

  AdditionReport report;
  ASSERT_EQ(Add({dir_.File("junk.s2i"), dir_.File("empty.syx"), dir_.File("lacking.syx"),
                 dir_.File("gone.s2a"), dir_.File("cut.s2a"), dir_.File("demo.s2i")},
                report),
            0)
      << error_;
  const std::vector<FileRemark> skipped{
      {dir_.File("gone.s2a"), "No such file or directory"},
      {dir_.File("junk.s2i"), "could not be loaded: Error with file: Unknown format."},
      {dir_.File("empty.syx"), "holds no item dump"},
      {dir_.File("lacking.syx"), "1 item dump lacks blocks; left out"},
  };
  ASSERT_EQ(report.skipped.size(), skipped.size());
  for (std::size_t i = 0; i < skipped.size(); ++i) {
    EXPECT_EQ(report.skipped[i].path, skipped[i].path);
    EXPECT_EQ(report.skipped[i].text, skipped[i].text) << skipped[i].path;
  }
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(report.notes[0].path, dir_.File("cut.s2a"));
  EXPECT_EQ(report.notes[0].text.rfind("ends early: ", 0), 0u) << report.notes[0].text;
  EXPECT_EQ(report.filesRead, 2u);
  EXPECT_EQ(Collection(dir_.File("cut.s2a")).entryCount, 452);
}

TEST_F(LibraryAdditionTest, ACancelKeepsNothingOfTheAddition) {
  const std::string root = WriteTree();
  AdditionReport report;
  ASSERT_EQ(Add({root + "/sub/demo.s2i"}, report), 0);
  const std::vector<std::int64_t> before = test::Counts(*store_);

  std::vector<AdditionProgress> seen;
  LibraryAddition addition(*store_);
  addition.SetCancelFlag(&cancel_);
  addition.SetProgressHandler([&](const AdditionProgress& progress) {
    seen.push_back(progress);
    cancel_ = progress.filesDone == 2;  // while the third file is under way
  });
  EXPECT_EQ(addition.Add(std::vector<std::string>{root}, report), -1);
  EXPECT_EQ(addition.Error(), "canceled; nothing of this addition was kept");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].filesTotal, 4u);
  EXPECT_EQ(seen[0].path, root + "/demo.s2a");
  EXPECT_EQ(test::Counts(*store_), before);
}

}  // namespace

namespace {

// A document held in memory goes in as its bank file would, with what it holds now: a changed
// slot brings its new program, the rest is known; the file itself is not read.
TEST_F(LibraryAdditionTest, ADocumentGoesInWithWhatItHoldsNotWhatItsFileHolds) {
  ASSERT_TRUE(test::WriteDemoFiles(dir_));
  const std::string path = dir_.File("demo.s2a");
  AdditionReport report;
  ASSERT_EQ(Add({path}, report), 0) << error_;
  const std::vector<std::uint8_t> fileBytes = test::ReadBytes(path);
  const CollectionRow before = Collection(path);

  const struct {
    bool cancel;
    int result;
    std::size_t newPrograms;
  } cases[] = {{true, -1, 0}, {false, 0, 1}};
  for (const auto& c : cases) {
    auto document = std::make_unique<S2A_File>();
    DemoBank::FillDocument(*document);
    Item& changed = *document->InternalInstrumentBank().ItemAt(3);
    DemoBank::FillItem(changed, "Changed", 2, 99);
    const std::vector<std::uint8_t> changedImage = test::ImageOf(changed);
    const std::vector<std::int64_t> counts = test::Counts(*store_);
    cancel_ = c.cancel;
    LibraryAddition addition(*store_);
    addition.SetCancelFlag(&cancel_);
    ASSERT_EQ(addition.AddDocument(std::move(document), path, report), c.result) << c.cancel;
    if (c.cancel) {
      EXPECT_EQ(test::Counts(*store_), counts);
      continue;
    }
    EXPECT_EQ(report.newPrograms, c.newPrograms);
    EXPECT_EQ(report.knownPrograms + report.newPrograms,
              static_cast<std::size_t>(before.entryCount));
    const CollectionRow after = Collection(path);
    EXPECT_EQ(after.id, before.id);
    std::vector<CollectionEntry> entries;
    ASSERT_EQ(store_->Entries(after.id, entries), 0);
    ASSERT_GT(entries.size(), 3u);
    ProgramImage image;
    ASSERT_EQ(store_->ReadImage(entries[3].programId, image), 0);
    EXPECT_EQ(image.image, changedImage);
    EXPECT_EQ(entries[3].bank, "int-inst");
  }
  EXPECT_EQ(test::ReadBytes(path), fileBytes);
}

}  // namespace

namespace {

// A collection goes with those under it and their entries; the programs and every other
// collection stay, and a collection that is not there changes nothing.
TEST_F(LibraryAdditionTest, ADeletedCollectionTakesThoseUnderItAndLeavesThePrograms) {
  const std::string root = WriteTree();
  AdditionReport report;
  ASSERT_EQ(Add({root}, report), 0) << error_;
  const std::int64_t programs = test::RowCount(*store_, "programs");
  const CollectionRow sub = Collection(root + "/sub");
  const CollectionRow all = Collection(root + "/demo.s2a");

  CollectionEditing editing(*store_);
  CollectionSnapshot snapshot;
  ASSERT_EQ(editing.Delete(sub.id, snapshot), 0) << editing.LastError();
  for (const std::string& gone : {root + "/sub", root + "/sub/demo.s2v"}) {
    CollectionRow row;
    EXPECT_EQ(store_->FindCollection(gone, row), -1) << gone;
  }
  EXPECT_EQ(Collection(root + "/demo.s2a").entryCount, all.entryCount);
  EXPECT_EQ(Collection(root).id, sub.parentId);
  EXPECT_EQ(test::RowCount(*store_, "programs"), programs);
  EXPECT_EQ(test::RowCount(*store_, "collection_entries"), all.entryCount);

  const std::vector<std::int64_t> before = test::Counts(*store_);
  EXPECT_EQ(editing.Delete(sub.id, snapshot), -1);
  EXPECT_EQ(editing.LastError(), "no collection " + std::to_string(sub.id) + " in the library");
  EXPECT_EQ(test::Counts(*store_), before);
}

}  // namespace

namespace {

// Receptions are places of their own, once per reception; "Received" is made once and grows at
// its end; a change that cannot be made whole keeps nothing.
TEST_F(LibraryAdditionTest, ReceivedProgramsKeepTheirReceptionAndJoinTheirCollection) {
  S2A_File banks;
  DemoBank::FillDocument(banks, 3);
  const Item& piano = *banks.InternalInstrumentBank().ItemAt(4);
  const Item& kit = *banks.InternalPercussionBank().ItemAt(0);
  LibraryAddition addition(*store_);
  AdditionReport report;
  std::vector<ReceivedProgram> first;
  first.push_back(ReceivedProgram::CopyOf(piano, "int-inst", 4));
  ASSERT_EQ(addition.AddReceived(first, LibraryAddition::kReceivedCollection, report), 0);
  std::vector<ReceivedProgram> second;
  second.push_back(ReceivedProgram::CopyOf(kit));
  second.push_back(ReceivedProgram::CopyOf(piano));
  ASSERT_EQ(addition.AddReceived(second, LibraryAddition::kReceivedCollection, report), 0);
  EXPECT_EQ(report.newPrograms, 1u);
  EXPECT_EQ(report.knownPrograms, 1u);

  std::vector<CollectionEntry> entries;
  ASSERT_EQ(store_->Entries(Collection("Received").id, entries), 0);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].programId, entries[2].programId);
  std::vector<ProgramPlace> places;
  ASSERT_EQ(store_->Places(entries[0].programId, places), 0);
  ASSERT_EQ(places.size(), 2u);
  EXPECT_EQ(places[0].origin, ProgramPlace::Origin::Received);
  EXPECT_EQ(places[0].bank, "int-inst");
  EXPECT_EQ(places[0].slot, 4);
  EXPECT_EQ(places[1].bank, "");

  const std::vector<std::int64_t> before = test::Counts(*store_);
  std::vector<ReceivedProgram> lost;
  lost.push_back(ReceivedProgram::CopyOf(*banks.InternalInstrumentBank().ItemAt(9)));
  EXPECT_EQ(addition.AddReceived(lost, 9999, report), -1);
  EXPECT_EQ(test::Counts(*store_), before);
}

}  // namespace

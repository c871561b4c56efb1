// corvale-cli library ... as a real process, on a library of the test's own.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "demo/DemoBank.h"
#include "files/S2I_File.h"
#include "library/CollectionEditing.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"
#include "tests/library/LibraryTestSupport.h"

namespace {

// What one run of the tool left: its exit status and what it wrote.
struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

class LibraryCli : public testing::Test {
 protected:
  // Each test's own library and files; the tool is the one ctest names in CORVALE_CLI.
  void SetUp() override {
    if (std::getenv("CORVALE_CLI") == nullptr)
      GTEST_SKIP() << "CORVALE_CLI names the tool; ctest sets it";
    cli_ = std::getenv("CORVALE_CLI");
    ASSERT_TRUE(test::WriteDemoFiles(dir_));
    ::setenv("CORVALE_LIBRARY", Library().c_str(), 1);
  }

  std::string Library() const { return dir_.File("library.sqlite"); }

  // Starts the tool with its output going to out.txt and err.txt; `asAnotherUser` runs it as
  // the user nobody when the test runs as root.
  pid_t Start(const std::vector<std::string>& arguments, bool asAnotherUser = false) {
    std::vector<std::string> command{cli_, "library"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return test::StartProgram(command, dir_.File("out.txt"), dir_.File("err.txt"), asAnotherUser);
  }

  ToolRun Finish(pid_t pid) {
    ToolRun run;
    run.status = test::WaitForChild(pid);
    const auto out = test::ReadBytes(dir_.File("out.txt"));
    const auto err = test::ReadBytes(dir_.File("err.txt"));
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
  }

  ToolRun Run(const std::vector<std::string>& arguments, bool asAnotherUser = false) {
    return Finish(Start(arguments, asAnotherUser));
  }

  // What the process has read so far, its files and the library (rchar of /proc/PID/io).
  static std::uintmax_t BytesRead(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string field;
    std::uintmax_t value = 0;
    while (io >> field >> value) {
      if (field == "rchar:")
        return value;
    }
    return 0;
  }

  test::TempDir dir_;
  std::string cli_;
};

TEST_F(LibraryCli, AddFindExportAndBankGiveBackWhatWentIn) {
  ToolRun run = Run({"add", dir_.File("demo.s2a"), dir_.File("demo.s2i")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2 files read: 452 new programs, 1 already known; 0 files skipped\n");

  run = Run({"find", "grand pno", "--kind", "inst"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "1  Instrument  Pf:Grand Pno  " + dir_.File("demo.s2a") +
                         " int-inst:A01\n145  Instrument  Pf:Grand Pno  " + dir_.File("demo.s2a") +
                         " ext-inst:B01\n");

  // The kit of demo.s2i, seen in two files.
  run = Run({"find", "std kit"});
  const std::string id = run.out.substr(0, run.out.find(' '));
  EXPECT_NE(run.out.find("(+1 place)"), std::string::npos) << run.out;
  ASSERT_EQ(Run({"export", id, dir_.File("kit.s2i")}).status, 0);
  EXPECT_EQ(test::ReadBytes(dir_.File("kit.s2i")), test::ReadBytes(dir_.File("demo.s2i")));

  // A program dropped on the bank's collection takes no slot of the bank's own programs: the
  // demo fills every slot, so it is left out.
  {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(Library());
    CollectionRow bank;
    ASSERT_EQ(store->FindCollection(dir_.File("demo.s2a"), bank), 0);
    const std::unique_ptr<Item> dropped = CreateItem(ItemKind::Instrument);
    DemoBank::FillItem(*dropped, "Dropped", 1, 77);
    // INT:017 of the bank itself, dropped from a bank window: a second entry of its program.
    S2A_File bankFile;
    ASSERT_EQ(bankFile.Load(dir_.File("demo.s2a")), 0);
    const Item* const items[] = {dropped.get(), bankFile.InternalInstrumentBank().ItemAt(16)};
    CollectionSnapshot before;
    CollectionEditing editing(*store);
    ASSERT_EQ(editing.AppendPrograms(bank.id, items, before), 0) << editing.LastError();
  }
  // Adding the bank file again keeps the programs dropped on its collection, also the one that
  // is the file's own.
  ASSERT_EQ(Run({"add", dir_.File("demo.s2a")}).status, 0);
  run = Run({"bank", dir_.File("demo.s2a"), dir_.File("again.s2a")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "corvale-cli: library bank: " + dir_.File("demo.s2a") +
                         ": 2 programs left out (no room for them in " + dir_.File("again.s2a") +
                         ")\n");
  S2A_File original;
  S2A_File again;
  ASSERT_EQ(original.Load(dir_.File("demo.s2a")), 0);
  ASSERT_EQ(again.Load(dir_.File("again.s2a")), 0);
  for (const BankLayout& layout : kBankLayouts) {
    for (int slot = 0; slot < layout.capacity; ++slot) {
      EXPECT_EQ(test::ImageOf(*layout.bankIn(again).ItemAt(slot)),
                test::ImageOf(*layout.bankIn(original).ItemAt(slot)))
          << SlotPlace(layout, slot);
    }
  }
}

// Favourites and tags are kept, shown by find and found by it, in any letter case.
TEST_F(LibraryCli, MarksAndTagsAreKeptAndFound) {
  ASSERT_EQ(Run({"add", dir_.File("demo.s2a")}).status, 0);
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string err;
  } changes[] = {
      {{"fav", "1", "2"}, 0, ""},
      {{"tag", "1", "pads", "Warm"}, 0, ""},
      {{"tag", "3", "PADS"}, 0, ""},
      {{"unfav", "2"}, 0, ""},
      {{"untag", "1", "pads"}, 0, ""},
      {{"tag", "1"}, 2, "corvale-cli: library tag: expected ID TAG...\n"},
      {{"tag", "1", "two\twords"},
       2,
       "corvale-cli: library tag: 'two\twords': a tag is one word, without blanks or control "
       "characters\n"},
      {{"fav", "x"}, 2, "corvale-cli: library fav: 'x' is no program number\n"},
      {{"fav", "1", "99999"},
       1,
       "corvale-cli: library fav: " + Library() + ": no program 99999 in the library\n"},
  };
  for (const auto& [arguments, status, err] : changes) {
    const ToolRun run = Run(arguments);
    EXPECT_EQ(run.status, status) << arguments[0];
    EXPECT_EQ(run.err, err) << arguments[0];
  }
  const auto numbers = [this](const std::vector<std::string>& arguments) {
    std::string found;
    std::istringstream lines(Run(arguments).out);
    for (std::string line; std::getline(lines, line);)
      found += line.substr(0, line.find(' ')) + " ";
    return found;
  };
  EXPECT_EQ(numbers({"find", "--favourite"}), "1 ");
  EXPECT_EQ(numbers({"find", "fav:"}), "1 ");
  EXPECT_EQ(numbers({"find", "--tag", "warm"}), "1 ");
  EXPECT_EQ(numbers({"find", "tag:Pads"}), "3 ");
  EXPECT_EQ(numbers({"find", "--tag", "pads", "--favourite"}), "");
  const std::string first = Run({"find", "--favourite"}).out;
  EXPECT_EQ(first.substr(first.size() - std::string("  favourite  tags: Warm\n").size()),
            "  favourite  tags: Warm\n")
      << first;
}

// Two dumps of a folder's files to one slot both come out: the later in the next free slot.
TEST_F(LibraryCli, DumpsOfTwoFilesToOneSlotBothFindASlot) {
  const std::string folder = dir_.File("two");
  std::filesystem::create_directory(folder);
  std::vector<std::string> names;
  for (const char* name : {"Alpha", "Bravo"}) {
    S2A_File document;
    Item& slot = *document.InternalInstrumentBank().ItemAt(0);
    DemoBank::FillItem(slot, name, 1, name[0]);
    SYX_File dump;
    ASSERT_EQ(dump.StoreToMemory(slot), 0);
    ASSERT_EQ(dump.Save(folder + "/" + name + ".syx"), 0);
    names.push_back(slot.Name());
  }
  ASSERT_EQ(Run({"add", folder}).status, 0);
  const ToolRun run = Run({"bank", folder, dir_.File("out.s2a")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  S2A_File out;
  ASSERT_EQ(out.Load(dir_.File("out.s2a")), 0);
  EXPECT_EQ(out.InternalInstrumentBank().ItemAt(0)->Name(), names[0]);
  EXPECT_EQ(out.InternalInstrumentBank().ItemAt(1)->Name(), names[1]);
}

TEST_F(LibraryCli, FailuresSayWhyAndChangeNothing) {
  test::WriteBytes(dir_.File("broken.s2a"), std::vector<std::uint8_t>(100, 7));
  ToolRun run = Run({"add", dir_.File("broken.s2a"), dir_.File("demo.s2i")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "1 file read: 1 new program, 0 already known; 1 file skipped\n");
  EXPECT_EQ(run.err, "corvale-cli: library add: " + dir_.File("broken.s2a") +
                         ": skipped: could not be loaded: Error: \"" + dir_.File("broken.s2a") +
                         "\" Has Unknown format.\n");

  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string err;
  } cases[] = {
      {{"export", "99", dir_.File("x.s2i")},
       1,
       "corvale-cli: library export: " + Library() + ": no program 99 in the library\n"},
      {{"export", "1", dir_.File("x.txt")},
       2,
       "corvale-cli: library export: " + dir_.File("x.txt") +
           ": unknown extension (expected .s2i, .syx or .mid)\n"},
      {{"bank", "nowhere", dir_.File("x.s2a")},
       1,
       "corvale-cli: library bank: " + Library() + ": no collection nowhere in the library\n"},
      {{"find", "x", "--kind", "synth"},
       2,
       "corvale-cli: library find: unknown kind 'synth' (inst, perc or perf)\n"},
      {{"shelve"},
       2,
       "corvale-cli: library: expected add, find, export, bank, tag, untag, fav, unfav or send "
       "(see corvale-cli --help)\n"},
  };
  for (const auto& [arguments, status, err] : cases) {
    run = Run(arguments);
    EXPECT_EQ(run.status, status) << arguments[0];
    EXPECT_EQ(run.err, err) << arguments[0];
  }
  EXPECT_FALSE(test::Exists(dir_.File("x.s2i")));
  EXPECT_FALSE(test::Exists(dir_.File("x.s2a")));

  test::WriteBytes(Library(), std::vector<std::uint8_t>(8192, 'x'));
  run = Run({"add", dir_.File("demo.s2a")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "corvale-cli: library add: " + Library() +
                         ": not a Corvale library (file is not a database); it is left as it is\n");
  EXPECT_EQ(test::ReadBytes(Library()), std::vector<std::uint8_t>(8192, 'x'));
}

// While the editor's addition holds the library, the tool reads it without waiting and without
// seeing that change, and its own addition waits for the lock and then goes in.
TEST_F(LibraryCli, TheEditorAndTheToolShareOneLibrary) {
  ASSERT_EQ(Run({"add", dir_.File("demo.s2i")}).status, 0);
  auto editor = test::OpenLibrary(Library());
  ASSERT_NE(editor, nullptr);
  const std::unique_ptr<Item> held = CreateItem(ItemKind::Instrument);
  DemoBank::FillItem(*held, "Held Pad", 11, 99);
  std::int64_t id = 0;
  bool isNew = false;
  ASSERT_EQ(editor->BeginChange(), 0);
  ASSERT_EQ(editor->StoreProgram(*held, id, isNew), 0);

  ToolRun run = Run({"find", "kit"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Dr:Std Kit"), std::string::npos);
  EXPECT_EQ(Run({"find", "held pad"}).out, "");

  const pid_t adding = Start({"add", dir_.File("demo.s2a")});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(::waitpid(adding, nullptr, WNOHANG), 0) << "the tool waits for the lock";
  ASSERT_EQ(editor->CommitChange(), 0);
  run = Finish(adding);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "1 file read: 451 new programs, 1 already known; 0 files skipped\n");
  EXPECT_EQ(Run({"find", "held pad"}).out.find(std::to_string(id) + "  Instrument  Ld:Held Pad"),
            0u);
}

// The reading verbs make no library where there is none, and read one they may not write: in a
// read-only folder, or a read-only file.
TEST_F(LibraryCli, ReadingNeverMakesALibraryAndReadsOneItMayNotWrite) {
  const std::string typo = dir_.File("libary.sqlite");
  ::setenv("CORVALE_LIBRARY", typo.c_str(), 1);
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"find", "pno"},
                                                    {"export", "1", dir_.File("x.s2i")},
                                                    {"bank", "1", dir_.File("x.s2a")}}) {
    const ToolRun run = Run(arguments);
    EXPECT_EQ(run.status, 1) << arguments[0];
    EXPECT_EQ(run.err,
              "corvale-cli: library " + arguments[0] + ": " + typo + ": no library there\n");
  }
  EXPECT_FALSE(test::Exists(typo));
  ::setenv("CORVALE_LIBRARY", Library().c_str(), 1);

  ASSERT_EQ(Run({"add", dir_.File("demo.s2i")}).status, 0);
  // The tool (another user, when this runs as root) may read the folder but write only in out/.
  const std::string out = dir_.File("out");
  std::filesystem::create_directory(out);
  ::chmod(out.c_str(), 0777);
  // The tool runs from a copy that any user may run, whatever the build folder allows.
  const std::string tool = dir_.File("corvale-cli");
  std::filesystem::copy_file(cli_, tool);
  cli_ = tool;
  for (const bool readOnlyFolder : {true, false}) {
    ::chmod(Library().c_str(), readOnlyFolder ? 0666 : 0444);
    ::chmod(dir_.Path().c_str(), readOnlyFolder ? 0555 : 0777);
    ToolRun run = Run({"find", "kit"}, true);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Dr:Std Kit"), std::string::npos) << run.out;
    run = Run({"export", "1", out + "/kit.s2i"}, true);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::ReadBytes(out + "/kit.s2i"), test::ReadBytes(dir_.File("demo.s2i")));
    std::filesystem::remove(out + "/kit.s2i");
  }
  ::chmod(dir_.Path().c_str(), 0700);
}

// A row of the library that cannot be what it stands for is left out with its reason: the bank
// written still loads, with every other program in its slot, and the status says it failed.
TEST_F(LibraryCli, DamagedRowsAreLeftOutWithTheirReason) {
  ASSERT_EQ(Run({"add", dir_.File("demo.s2a")}).status, 0);
  std::int64_t shortProgram = 0;
  {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(Library());
    SqliteConnection& sql = store->Connection();
    ASSERT_EQ(sql.Execute("UPDATE collection_entries SET slot = 128 WHERE position = 5; "
                          "UPDATE collection_entries SET slot = -1 WHERE position = 6; "
                          "UPDATE collection_entries SET bank = 'int-kazoo' WHERE position = 7"),
              0);
    SqliteStatement eighth = sql.Prepare(
        "SELECT program_id FROM collection_entries "
        "WHERE position = 8");
    ASSERT_TRUE(eighth.NextRow());
    shortProgram = eighth.Int(0);
    eighth.Reset();
    SqliteStatement cut = sql.Prepare(
        "UPDATE program_images SET image = substr(image, 1, 700) WHERE program_id = ?1");
    ASSERT_EQ(cut.Bind(1, shortProgram).Run(), 0);
  }
  std::vector<std::int64_t> programs(10);
  {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(Library());
    std::vector<CollectionEntry> entries;
    ASSERT_EQ(store->Entries(1, entries), 0);
    for (std::size_t i = 0; i < programs.size(); ++i)
      programs[i] = entries[i].programId;
  }
  const ToolRun run = Run({"bank", "1", dir_.File("again.s2a")});
  EXPECT_EQ(run.status, 1);
  const std::string prefix = "corvale-cli: library bank: " + dir_.File("demo.s2a") +
                             ": left out, damaged in the library: ";
  const auto entry = [&](int number) {
    return "entry " + std::to_string(number) + " (program " + std::to_string(programs[number - 1]) +
           "): ";
  };
  EXPECT_EQ(run.err,
            prefix + entry(9) + "program " + std::to_string(shortProgram) +
                " is damaged: its image holds 700 bytes, not the 742 of its kind (Instrument)\n" +
                prefix + entry(6) + "its slot 128 is outside int-inst (0 to 127)\n" + prefix +
                entry(7) + "its slot -1 is outside int-inst (0 to 127)\n" + prefix + entry(8) +
                "its bank 'int-kazoo' is unknown\n");
  S2A_File original;
  S2A_File again;
  ASSERT_EQ(original.Load(dir_.File("demo.s2a")), 0);
  ASSERT_EQ(again.Load(dir_.File("again.s2a")), 0);
  for (int slot = 0; slot < kInternalInstrumentLayout.capacity; ++slot) {
    const bool leftOut = slot >= 5 && slot <= 8;
    EXPECT_EQ(test::ImageOf(*again.InternalInstrumentBank().ItemAt(slot)) ==
                  test::ImageOf(*original.InternalInstrumentBank().ItemAt(slot)),
              !leftOut)
        << slot;
  }
  const ToolRun exported = Run({"export", std::to_string(shortProgram), dir_.File("short.s2i")});
  EXPECT_EQ(exported.status, 1);
  EXPECT_EQ(exported.err, "corvale-cli: library export: " + Library() + ": program " +
                              std::to_string(shortProgram) +
                              " is damaged: its image holds 700 bytes, not the 742 of its kind "
                              "(Instrument)\n");
  EXPECT_FALSE(test::Exists(dir_.File("short.s2i")));
}

// The library's files that this process holds open after another program removed them.
std::string DeletedLibraryFiles(const std::string& library) {
  std::string deleted;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (target.rfind(library, 0) == 0 && target.ends_with(" (deleted)"))
      deleted += target + "\n";
  }
  return deleted;
}

// The editor's store and the tool take turns changing one library while other code of the
// editor's process opens and closes the library's files, as a file dialog showing its folder
// does. Those closes must cost the store none of its locks: else the tool, believing itself
// alone, deletes the log the store still writes to, and the library is damaged.
TEST_F(LibraryCli, StrayClosesInTheEditorsProcessCostTheLibraryNothing) {
  constexpr int kRounds = 100;  // a change of each program a round
  auto editor = test::OpenLibrary(Library());
  ASSERT_NE(editor, nullptr);
  std::atomic<bool> stop = false;
  std::thread prowler([&] {
    while (!stop) {
      for (const char* suffix : {"", "-wal", "-shm"}) {
        const int descriptor = ::open((Library() + suffix).c_str(), O_RDONLY);
        if (descriptor < 0)
          continue;
        char head[100];
        if (::read(descriptor, head, sizeof head) < 0)
          ADD_FAILURE() << "unreadable " << suffix;
        ::close(descriptor);
      }
    }
  });
  for (int round = 0; round < kRounds; ++round) {
    const std::unique_ptr<Item> received = CreateItem(ItemKind::Instrument);
    DemoBank::FillItem(*received, "Ed" + std::to_string(round), 1, round);
    std::int64_t id = 0;
    ASSERT_EQ(editor->AddReceived(*received, LibraryStore::Now(), id), 0) << editor->LastError();
    S2I_File file;
    file.SetItem(*received);
    DemoBank::FillItem(*file.GetItem(S2I_File::kAnyKind), "Tl" + std::to_string(round), 2, round);
    ASSERT_EQ(file.Save(dir_.File("tool.s2i")), 0);
    const ToolRun run = Run({"add", dir_.File("tool.s2i")});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(DeletedLibraryFiles(Library()), "") << "round " << round;
  }
  stop = true;
  prowler.join();
  for (const char* prefix : {"Ed", "Tl"}) {
    ProgramFilter filter;
    filter.text = prefix;
    std::int64_t count = 0;
    ASSERT_EQ(editor->CountPrograms(filter, count), 0);
    EXPECT_EQ(count, kRounds) << prefix;
  }
  editor.reset();
  std::string error;
  const auto reader = SqliteConnection::Open(Library(), SqliteConnection::Mode::ReadOnly, error);
  ASSERT_NE(reader, nullptr) << error;
  SqliteStatement check = reader->Prepare("PRAGMA integrity_check");
  ASSERT_TRUE(check.NextRow());
  EXPECT_EQ(check.Text(0), "ok");
}

// kill -9 halfway through an addition: the library is as it was before it.
TEST_F(LibraryCli, AKilledAdditionLeavesTheLibraryAsItWas) {
  ASSERT_EQ(Run({"add", dir_.File("demo.s2i")}).status, 0);
  const std::string many = dir_.File("many");
  std::filesystem::create_directories(many);
  for (std::uint32_t seed = 2; seed < 42; ++seed) {
    S2A_File banks;
    DemoBank::FillDocument(banks, seed);
    ASSERT_EQ(banks.Save(many + "/" + std::to_string(seed) + ".s2a"), 0);
  }
  std::vector<std::int64_t> before;
  {
    auto store = test::OpenLibrary(Library());
    before = test::Counts(*store);
  }

  const pid_t pid = Start({"add", many});
  // Killed once it has read a third of the files: its change is under way, its end far off.
  while (BytesRead(pid) < 40 / 3 * test::ReadBytes(many + "/2.s2a").size() &&
         ::waitpid(pid, nullptr, WNOHANG) == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(::kill(pid, SIGKILL), 0) << "the addition ended before it was killed";
  EXPECT_EQ(Finish(pid).status, 128 + SIGKILL);

  auto store = test::OpenLibrary(Library());
  EXPECT_EQ(test::Counts(*store), before);
  EXPECT_EQ(store->CheckIntegrity(), 0) << store->LastError();
  store.reset();
  ToolRun run = Run({"add", many});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("40 files read: ", 0), 0u) << run.out;
}

}  // namespace

// A file named with an escape sequence and a line break is written escaped wherever a path
// reaches the terminal: the skip message of add, and a place that find shows.
TEST_F(LibraryCli, PathsReachTheTerminalEscaped) {
  const std::string named = "a\x1b]0;Pwn\x07\nb";
  const std::string shown = dir_.File("a\\x1b]0;Pwn\\x07\\x0ab");
  std::filesystem::copy_file(dir_.File("demo.s2a"), dir_.File(named + ".s2a"));
  test::WriteBytes(dir_.File(named + ".s2v"), std::vector<std::uint8_t>(100, 7));
  const ToolRun run = Run({"add", dir_.File(named + ".s2a"), dir_.File(named + ".s2v")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("corvale-cli: library add: " + shown + ".s2v: skipped: ", 0), 0u)
      << run.err;
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
  const ToolRun found = Run({"find", "grand pno", "--kind", "inst"});
  EXPECT_EQ(found.out, "1  Instrument  Pf:Grand Pno  " + shown +
                           ".s2a int-inst:A01\n145  "
                           "Instrument  Pf:Grand Pno  " +
                           shown + ".s2a ext-inst:B01\n");
}

// corvale-cli library ... as a real process, on a library of the test's own.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

  // Starts the tool with its output going to out.txt and err.txt.
  pid_t Start(const std::vector<std::string>& arguments) {
    const pid_t pid = fork();
    if (pid == 0) {
      const int out = ::open(dir_.File("out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(dir_.File("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(err, STDERR_FILENO);
      std::vector<char*> argv{cli_.data(), const_cast<char*>("library")};
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      ::execv(cli_.c_str(), argv.data());
      ::_exit(127);
    }
    return pid;
  }

  ToolRun Finish(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    ToolRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const auto out = test::ReadBytes(dir_.File("out.txt"));
    const auto err = test::ReadBytes(dir_.File("err.txt"));
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
  }

  ToolRun Run(const std::vector<std::string>& arguments) { return Finish(Start(arguments)); }

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
    const Item* const items[] = {dropped.get()};
    CollectionSnapshot before;
    CollectionEditing editing(*store);
    ASSERT_EQ(editing.AppendPrograms(bank.id, items, before), 0) << editing.LastError();
  }
  // Adding the bank file again keeps the program dropped on its collection.
  ASSERT_EQ(Run({"add", dir_.File("demo.s2a")}).status, 0);
  run = Run({"bank", dir_.File("demo.s2a"), dir_.File("again.s2a")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "corvale-cli: library bank: " + dir_.File("demo.s2a") +
                         ": 1 program left out (no room for them in " + dir_.File("again.s2a") +
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
       "corvale-cli: library: expected add, find, export or bank (see "
       "corvale-cli --help)\n"},
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

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "app/list/ListedLines.h"
#include "app/startup/CommandLineFiles.h"
#include "demo/DemoBank.h"
#include "files/DocumentFiles.h"
#include "files/SmartFile.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"
#include "tests/app/WindowFixture.h"

namespace {

using Command = WindowCommand;
using Kind = ScriptedDialogs::Kind;

void ExpectUntitledAndUntouched(const EditorWindow& window) {
  EXPECT_TRUE(window.fileName().isEmpty());
  EXPECT_EQ(ShownTitle(window), "Corvale");
  EXPECT_FALSE(window.isModified());
  EXPECT_TRUE(window.isUntouched());
}

QString Question(const QString& name, const char* ending) {
  return name + "\nhas not been saved, do you wish to save this before\n" + ending;
}

}  // namespace

TEST_F(WindowTest, CancelledFileDialogsChangeNothing) {
  const struct {
    Command command;
    Kind kind;
    const char* title;
    std::span<const FileFilter> filters;
    const char* offered;
    const char* status;
  } cases[] = {
      {&command::open, Kind::Open, "Open...", OpenDialogFilters(), "", "Canceled Open"},
      {&command::openInNewWindow, Kind::Open, "Open in New Window...", OpenDialogFilters(), "",
       "Canceled Open"},
      {&command::save, Kind::Save, "Save As...", SaveDialogFilters(), "untitled.s2a",
       "Canceled Save"},
      {&command::merge, Kind::Open, "Merge...", OpenDialogFilters(), "", "Canceled Merge"},
      // Through the save dialog, which asks before it replaces a file.
      {&command::exportSupportingFile, Kind::Save, "Export Supporting Files...",
       ExportSuppDialogFilters(), "untitled.ins", "Canceled Save"},
  };
  const auto files = dir_.Entries();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    EditorWindow window;
    dialogs_.requests.clear();
    dialogs_.paths.push_back({});
    c.command(window);
    ASSERT_EQ(dialogs_.requests.size(), 1u);
    EXPECT_EQ(dialogs_.requests[0].kind, c.kind);
    EXPECT_EQ(dialogs_.requests[0].title, c.title);
    EXPECT_EQ(dialogs_.requests[0].filters, FilterDescriptions(c.filters));
    EXPECT_EQ(dialogs_.requests[0].fileName, c.offered);
    EXPECT_EQ(window.statusText(), c.status);
    ExpectUntitledAndUntouched(window);
    EXPECT_EQ(window.nextWindow(), nullptr);
  }
  EXPECT_EQ(dir_.Entries(), files);
  EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastSuppDirectory, ""), "");
}

// A failure says why, also where the file layer has nothing to say: a name of another kind.
TEST_F(WindowTest, FileCommandsSetStatusNameAndFlags) {
  SYX_File buffer;
  S2A_File demo;
  DemoBank::FillDocument(demo);
  ASSERT_EQ(buffer.StoreToEditBuffer(*demo.InternalInstrumentBank().ItemAt(0)), 0);
  ASSERT_EQ(buffer.Save(dir_.File("buffer.syx")), 0);
  const struct {
    Command command;
    const char* path;
    const char* status;
    bool takesName;
    bool modified;
    const char* reason;
  } cases[] = {
      {&command::open, "demo.s2a", "Open successful", true, false, ""},
      {&command::open, "demo.syx", "Open successful", true, false, ""},
      {&command::open, "buffer.syx", "Error opening file", false, false,
       "buffer.syx holds programs for an edit buffer only: use Edit > Import"},
      {&command::open, "demo.s2i", "Error opening file", false, false,
       "demo.s2i holds a single program: use Edit > Import"},
      {&command::merge, "demo.s2v", "Merge successful", true, true, ""},
      {&command::merge, "missing.s2e", "Error merging file", false, false, nullptr},
      {&command::saveAs, "new.s2e", "Save successful", true, false, ""},
      {&command::saveAs, "noextension", "Error writing file", false, false,
       "noextension: add .s2a, .s2v, .s2e, .syx, .mid, .ins or .midnam to the name"},
      {&command::saveAs, "one.s2i", "Error writing file", false, false,
       "one.s2i: single programs only: use Edit > Export"},
      {&command::saveAs, "all.mid", "Save successful", true, false, ""},
      {&command::exportSupportingFile, "out.ins", "Save successful", false, false, ""},
      {&command::exportSupportingFile, "out.midnam", "Save successful", false, false, ""},
      {&command::exportSupportingFile, "out.txt", "Error writing file", false, false,
       "out.txt: add .s2a, .s2v, .s2e, .syx, .mid, .ins or .midnam to the name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EditorWindow window;
    dialogs_.paths.push_back(PathOf(c.path));
    c.command(window);
    EXPECT_EQ(window.statusText(), c.status);
    if (c.reason) {  // none: the system's own words
      EXPECT_EQ(window.statusReason(), c.reason);
    }
    if (!c.takesName) {
      ExpectUntitledAndUntouched(window);
      continue;
    }
    EXPECT_EQ(window.fileName(), PathOf(c.path));
    EXPECT_TRUE(TitleNames(window, PathOf(c.path)));
    EXPECT_EQ(window.isModified(), c.modified);
    EXPECT_EQ(window.isWindowModified(), c.modified);
    EXPECT_FALSE(window.isUntouched());
  }
  for (const char* written : {"new.s2e", "out.ins", "out.midnam", "all.mid"})
    EXPECT_TRUE(test::Exists(dir_.File(written)));
  for (const char* refused : {"noextension", "out.txt", "one.s2i"})
    EXPECT_FALSE(test::Exists(dir_.File(refused)));
}

// A .syx that holds what no document keeps (here a dump to an edit buffer) asks before a save
// replaces it: No leaves it byte for byte, Yes writes the document's programs.
TEST_F(WindowTest, ASaveOverADumpFileWithMoreThanProgramsAsksFirst) {
  S2A_File demo;
  DemoBank::FillDocument(demo);
  SYX_File dump;
  ASSERT_EQ(dump.StoreToMemory(*demo.InternalInstrumentBank().ItemAt(0)), 0);
  SYX_File buffer;
  ASSERT_EQ(buffer.StoreToEditBuffer(*demo.InternalInstrumentBank().ItemAt(1)), 0);
  ASSERT_EQ(dump.AppendBytes(buffer.Bytes()), 1);
  ASSERT_EQ(dump.Save(dir_.File("mixed.syx")), 0);
  const std::vector<std::uint8_t> before = test::ReadBytes(dir_.File("mixed.syx"));
  dialogs_.paths.push_back(PathOf("mixed.syx"));
  command::open(*form_);
  EXPECT_EQ(form_->statusReason(), "mixed.syx 1 dump to an edit buffer placed nowhere");
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    dialogs_.answers.push_back(answer);
    ActionOf(*form_, "Save1")->trigger();
    EXPECT_EQ(dialogs_.requests.back().text,
              "mixed.syx holds 1 message or event that no document keeps: dumps to an edit "
              "buffer, other messages or MIDI events. Saving replaces the file with the "
              "document's programs only. Save anyway?");
    EXPECT_EQ(test::ReadBytes(dir_.File("mixed.syx")) == before, answer == Answer::No);
  }
  EXPECT_EQ(form_->statusText(), "Save successful");
}

// A dump carries seven bits a byte: a save to .syx says how many item bytes lost their high bit,
// and the window, which keeps them, still counts as changed.
TEST_F(WindowTest, ASaveToADumpFileTellsOfBytesItNarrowed) {
  OpenDemo(*form_);
  form_->document()->InternalInstrumentBank().ItemAt(0)->Data()[kItemCategoryOffset] = 0xFF;
  dialogs_.paths.push_back(PathOf("high.syx"));
  command::saveAs(*form_);
  EXPECT_EQ(form_->statusText(), "Save successful");
  EXPECT_EQ(form_->statusReason(), "1 item byte written in seven bits; the window keeps them");
  EXPECT_TRUE(form_->isModified());
  EXPECT_EQ(form_->fileName(), PathOf("high.syx"));
}

// A format that holds only some banks asks before changed programs of the others are left out;
// after such a save the document still counts as changed, so closing asks again.
TEST_F(WindowTest, ASaveThatWouldLeaveChangedProgramsOutAsksFirst) {
  const struct {
    const char* file;
    const BankLayout& changed;
    bool asks;
    Answer answer;
    const char* question;
  } cases[] = {
      {"w3.s2e", kInternalInstrumentLayout, true, Answer::No,
       "w3.s2e holds only the external banks. The 1 changed program of the internal banks will "
       "not be saved. Save anyway?"},
      {"w3.s2e", kInternalInstrumentLayout, true, Answer::Yes, nullptr},
      {"v.s2v", kInternalPerformanceLayout, true, Answer::Yes,
       "v.s2v holds only the voice banks. The 1 changed program of the performance banks will "
       "not be saved. Save anyway?"},
      {"x.s2e", kExternalInstrumentLayout, false, Answer::Yes, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EditorWindow window;
    ASSERT_EQ(c.changed.bankIn(*window.document()).ItemAt(0)->SetName("Changed"), 0);
    window.markEdited();
    dialogs_.requests.clear();
    dialogs_.paths.push_back(PathOf(c.file));
    if (c.asks)
      dialogs_.answers.push_back(c.answer);
    const bool saved = window.fileCommands().saveAs();
    EXPECT_EQ(saved, c.answer == Answer::Yes);
    EXPECT_EQ(test::Exists(dir_.File(c.file)), saved);
    ASSERT_EQ(dialogs_.requests.size(), c.asks ? 2u : 1u);
    if (c.question) {
      EXPECT_EQ(dialogs_.requests[1].text, c.question);
    }
    EXPECT_EQ(window.statusText(), saved ? "Save successful" : "Canceled Save");
    // Left out, the change is still unsaved; saved whole, it is not.
    EXPECT_EQ(window.isModified(), c.asks);
    window.setModified(false);
  }
}

TEST_F(WindowTest, SavesWriteWhatTheCoreWrites) {
  MakeModifiedDemo(*form_);
  ASSERT_TRUE(form_->fileCommands().save());
  EXPECT_FALSE(form_->isModified());
  S2A_File expected;
  DemoBank::FillDocument(expected);
  expected.InternalInstrumentBank().ItemAt(3)->Reset();
  ASSERT_TRUE(QDir(PathOf("")).mkdir("core"));
  for (const char* name : {"demo.s2a", "saved.s2v", "defs.ins"})
    ASSERT_TRUE(SaveBankFile(expected, dir_.File("core/") + name).Succeeded());
  EXPECT_EQ(test::ReadBytes(dir_.File("demo.s2a")), test::ReadBytes(dir_.File("core/demo.s2a")));

  dialogs_.paths = {PathOf("saved.s2v"), PathOf("defs.ins")};
  dialogs_.answers = {Answer::Yes};  // the performances are not saved
  ASSERT_TRUE(form_->fileCommands().saveAs());
  EXPECT_TRUE(form_->isModified());
  EXPECT_EQ(test::ReadBytes(dir_.File("saved.s2v")), test::ReadBytes(dir_.File("core/saved.s2v")));
  form_->fileCommands().exportSupportingFile();
  EXPECT_EQ(dialogs_.requests.back().fileName, "saved.ins");
  EXPECT_EQ(test::ReadBytes(dir_.File("defs.ins")), test::ReadBytes(dir_.File("core/defs.ins")));
  EXPECT_EQ(form_->fileName(), PathOf("saved.s2v"));
}

TEST_F(WindowTest, DialogsStartInTheRememberedFolders) {
  ASSERT_TRUE(QDir(PathOf("")).mkdir("defs"));
  dialogs_.paths = {PathOf("demo.s2a"), {}, {}, PathOf("defs/a.ins"), {}, PathOf("demo.s2v")};
  form_->fileCommands().open();
  form_->fileCommands().open();
  form_->fileCommands().saveAs();
  form_->fileCommands().exportSupportingFile();
  form_->fileCommands().exportSupportingFile();
  form_->fileCommands().merge();
  const QStringList expected{"", PathOf(""), PathOf(""), "", PathOf("defs/"), PathOf("")};
  ASSERT_EQ(dialogs_.requests.size(), 6u);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(dialogs_.requests[i].folder, expected[i]) << i;
  EXPECT_EQ(SettingsStore::ReadSettingString(Settings::kLastOpenDirectory, ""), dir_.File(""));
}

TEST_F(WindowTest, UnsavedChangesAreAskedAbout) {
  const struct {
    WindowCommand command;
    const char* ending;
    Answer answer;
    const char* name;  // of the modified document
    bool goesOn;
    const char* status;
  } cases[] = {
      {&command::newDocument, "creating a new file?", Answer::Cancel, "demo.s2a", false, ""},
      {&command::open, "opening another file?", Answer::Cancel, "", false, ""},
      {&command::close, "closing?", Answer::Cancel, "demo.s2a", false, "Close canceled"},
      // A save that did not happen stops the command before anything is lost.
      {&command::newDocument, "creating a new file?", Answer::Yes, "", false, "Canceled Save"},
      {&command::open, "opening another file?", Answer::Yes, "absent/a.s2a", false,
       "Error writing file"},
      {&command::newDocument, "creating a new file?", Answer::No, "demo.s2a", true, ""},
      {&command::open, "opening another file?", Answer::Yes, "demo.s2a", true, "Open successful"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ending + (" " + std::to_string(&c - cases)));
    ASSERT_TRUE(test::WriteDemoFiles(dir_));
    const auto demo = test::ReadBytes(dir_.File("demo.s2a"));
    EditorWindow window;
    MakeModifiedDemo(window);
    const QString name = *c.name ? PathOf(c.name) : QString();
    window.nameFile(name);
    window.setStatus({});
    const QString title = ShownTitle(window);
    const QStringList edited = window.listLines();
    dialogs_.requests.clear();
    dialogs_.answers.push_back(c.answer);
    const bool open = c.command == &command::open;
    if (c.answer == Answer::Yes && name.isEmpty())
      dialogs_.paths.push_back({});
    if (c.goesOn && open)
      dialogs_.paths.push_back(PathOf("demo.s2e"));
    c.command(window);
    EXPECT_EQ(dialogs_.requests[0].title, "Unsaved File");
    EXPECT_EQ(dialogs_.requests[0].text, Question(*c.name ? name : "<Untitled>", c.ending));
    EXPECT_EQ(window.statusText(), c.status);
    EXPECT_EQ(test::ReadBytes(dir_.File("demo.s2a")) != demo, c.goesOn && c.answer == Answer::Yes);
    if (!c.goesOn) {
      EXPECT_TRUE(window.isModified());
      EXPECT_EQ(window.fileName(), name);
      EXPECT_EQ(ShownTitle(window), title);
      EXPECT_EQ(window.listLines(), edited);
      continue;
    }
    const QString opened = open ? PathOf("demo.s2e") : QString();
    EXPECT_EQ(window.fileName(), opened);
    if (opened.isEmpty())
      EXPECT_EQ(ShownTitle(window), "Corvale");
    else
      EXPECT_TRUE(TitleNames(window, opened));
    EXPECT_FALSE(window.isModified());
    EXPECT_EQ(window.isUntouched(), !open);
    EXPECT_NE(window.listLines(), edited);
  }
}

TEST_F(WindowTest, NewWindowsCascadeFromTheLastOne) {
  // Wide enough for the title of demo.s2a: a narrower window would widen for it.
  form_->resize(420, 500);
  form_->fileCommands().newWindow();
  OpenDemo(*form_);
  form_->fileCommands().cloneToNewWindow();
  const auto windows = Chain(*form_);
  ASSERT_EQ(windows.size(), 3u);
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(windows[i]->pos(), QPoint(100 + 22 * i, 100 + 22 * i));
    EXPECT_EQ(windows[i]->size(), QSize(420, 500));
    EXPECT_EQ(windows[i]->previousWindow(), windows[i - 1]);
    EXPECT_TRUE(windows[i]->isVisible());
  }
  EXPECT_EQ(ShownTitle(*windows[1]), "Corvale");
  EXPECT_TRUE(windows[1]->isUntouched());
  // A clone is a modified copy under the same name.
  EditorWindow& clone = *windows[2];
  EXPECT_EQ(clone.fileName(), form_->fileName());
  EXPECT_EQ(ShownTitle(clone), ShownTitle(*form_) + u'*');
  EXPECT_TRUE(clone.isModified());
  EXPECT_FALSE(clone.isUntouched());
  EXPECT_EQ(clone.listLines(), form_->listLines());
}

TEST_F(WindowTest, CommandLineNamesOpenInTurn) {
  ASSERT_TRUE(QDir(PathOf("")).mkdir("my banks"));
  const QString quoted = PathOf("my banks/first one.s2a");
  ASSERT_TRUE(QFile::copy(PathOf("demo.s2a"), quoted));
  OpenCommandLineFiles(*form_,
                       {quoted, PathOf("missing.s2v"), PathOf("gone.s2a"), PathOf("demo.s2e")});
  EXPECT_EQ(form_->fileName(), quoted);
  EXPECT_TRUE(TitleNames(*form_, quoted));
  // The window made for the names that failed stays hidden and takes the next name; the window
  // before it reports each failure.
  EXPECT_EQ(form_->statusText(), "Error opening file");
  EXPECT_EQ(form_->statusReason(), "gone.s2a: Error opening file: No such file or directory");
  const auto windows = Chain(*form_);
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[1]->fileName(), PathOf("demo.s2e"));
  EXPECT_TRUE(windows[1]->isVisible());
}

TEST_F(WindowTest, OpenInNewWindowThatFailsIsReportedHere) {
  dialogs_.paths.push_back(PathOf("missing.s2a"));
  form_->fileCommands().openInNewWindow();
  EXPECT_EQ(form_->statusText(), "Error opening file");
  EXPECT_EQ(form_->statusReason(), "missing.s2a: Error opening file: No such file or directory");
  ASSERT_NE(form_->nextWindow(), nullptr);
  EXPECT_TRUE(form_->nextWindow()->isHidden());
  EXPECT_TRUE(form_->nextWindow()->isUntouched());
}

// Open replaces the whole document: a file that ends early leaves the defaults where its
// programs were not, never the programs of the file it replaced, and says how many.
TEST_F(WindowTest, OpenOfAFileThatEndsEarlyLeavesNothingOfTheOneBefore) {
  OpenDemo(*form_);
  S2A_File other;
  DemoBank::FillDocument(other, 5);
  ASSERT_EQ(other.Save(dir_.File("b.s2a")), 0);
  auto bytes = test::ReadBytes(dir_.File("b.s2a"));
  bytes.resize(100000);
  test::WriteBytes(dir_.File("cut.s2a"), bytes);
  dialogs_.paths.push_back(PathOf("cut.s2a"));
  form_->fileCommands().open();
  EXPECT_EQ(form_->statusText(), "Open successful");
  EXPECT_EQ(form_->statusReason(), "cut.s2a ends early: 324 items missing");
  S2A_File defaults;
  EXPECT_EQ(Bytes(form_->document()->InternalInstrumentBank().ItemAt(0)),
            Bytes(other.InternalInstrumentBank().ItemAt(0)));
  EXPECT_EQ(Bytes(form_->document()->ExternalInstrumentBank().ItemAt(0)),
            Bytes(defaults.ExternalInstrumentBank().ItemAt(0)));
  EXPECT_EQ(Bytes(form_->document()->ExternalPerformanceBank().ItemAt(63)),
            Bytes(defaults.ExternalPerformanceBank().ItemAt(63)));
}

// Import follows the core's rule (the first dump of the slot's kind) and says what it found: how
// many dumps of that kind there were, or why a file without one is refused.
TEST_F(WindowTest, ImportTakesTheFirstDumpOfTheSlotsKind) {
  OpenDemo(*form_);
  S2A_File source;
  DemoBank::FillDocument(source, 6);
  SYX_File dumps;
  dumps.AppendItemDump(*source.InternalInstrumentBank().ItemAt(0));
  dumps.AppendItemDump(*source.ExternalPercussionBank().ItemAt(1));
  dumps.AppendItemDump(*source.InternalPerformanceBank().ItemAt(2));
  SYX_File toBuffer;
  toBuffer.StoreToEditBuffer(*source.InternalInstrumentBank().ItemAt(9));
  dumps.AppendBytes(toBuffer.Bytes());
  ASSERT_EQ(dumps.Save(dir_.File("four.syx")), 0);
  SYX_File kitOnly;
  kitOnly.AppendItemDump(*source.ExternalPercussionBank().ItemAt(1));
  ASSERT_EQ(kitOnly.Save(dir_.File("kit.syx")), 0);
  const struct {
    int tab;
    int line;
    const char* file;
    const char* status;
    const char* reason;
    const Item* taken;
  } cases[] = {
      {ListedLines::InstrumentTab, 5, "four.syx", "Import successful",
       "four.syx holds 2 instrument dumps; the first is used",
       source.InternalInstrumentBank().ItemAt(0)},
      {ListedLines::InstrumentTab, 6, "kit.syx", "Couldn't Import, unmatched types",
       "kit.syx holds no Instrument dump among its 1 item dumps", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Select(*form_, c.tab, c.line);
    const auto before = Bytes(form_->currentItem());
    dialogs_.paths.push_back(PathOf(c.file));
    ActionOf(*form_, "EditImport")->trigger();
    EXPECT_EQ(form_->statusText(), c.status);
    EXPECT_EQ(form_->statusReason(), c.reason);
    EXPECT_EQ(Bytes(form_->currentItem()), c.taken ? Bytes(c.taken) : before);
  }
}

// With regular files only (as the editor runs), a pipe named as a bank file is refused at
// once, with the reason, instead of holding the window until someone writes to it.
TEST_F(WindowTest, APipeNamedAsABankFileIsRefusedAtOnce) {
  SmartFile::SetRegularFilesOnly(true);
  ASSERT_EQ(::mkfifo(dir_.File("pipe.s2a").c_str(), 0600), 0);
  form_->openFileInWindow(PathOf("pipe.s2a"), false, false);
  EXPECT_EQ(form_->statusText(), "Error opening file");
  EXPECT_EQ(form_->statusReason(), "pipe.s2a: Error opening file: not a regular file (a pipe)");
  SmartFile::SetRegularFilesOnly(false);
}

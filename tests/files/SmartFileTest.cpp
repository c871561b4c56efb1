#include "files/SmartFile.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "midi/sysex/SYX_File.h"
#include "model/Item.h"
#include "model/S2A_File.h"
#include "tests/files/FormatTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kCannotDropPrivileges = 77;
constexpr std::size_t kDocumentSize = 459776;

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

int SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return SmartFile::SaveFile(path, [&](SmartFile& file) { file.Write(bytes); });
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = test::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Runs `body` in a child whose standard error goes to `log`.
int RunLogged(const std::string& log, const std::function<int()>& body) {
  return test::RunInChild([&] {
    if (std::freopen(log.c_str(), "w", stderr) == nullptr)
      return 90;
    return body();
  });
}

// RunLogged as an unprivileged user when the test runs as root. kCannotDropPrivileges when
// root cannot become another user.
int RunUnprivileged(const std::string& log, const std::function<int()>& body) {
  return RunLogged(log, [&] {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0 ||
                           geteuid() == 0)) {
      return kCannotDropPrivileges;
    }
    return body();
  });
}

// The save's system calls: without unnamed files when `named`, refusing every mode when
// `refuseMode`.
SaveSystemCalls CallsFor(bool named, bool refuseMode = false) {
  SaveSystemCalls calls = CurrentSaveSystemCalls();
  if (named)
    calls.openUnnamed = [](const char*, mode_t) {
      errno = EOPNOTSUPP;
      return -1;
    };
  if (refuseMode)
    calls.changeMode = [](int, mode_t) {
      errno = EPERM;
      return -1;
    };
  return calls;
}

bool HoldsUnnamedFiles(const std::string& folder) {
  const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  return fd >= 0 && close(fd) == 0;
}

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : previous_(umask(mask)) {}
  ~ScopedUmask() { umask(previous_); }

 private:
  mode_t previous_;
};

// Loads `path` as a `Container` and saves it to `copy`: the bytes saved, none when either fails.
template <class Container>
std::vector<std::uint8_t> Reloaded(const std::string& path, const std::string& copy) {
  Container container;
  if (container.Load(path) != 0 || container.Save(copy) != 0)
    return {};
  return test::ReadBytes(copy);
}

// Makes directories below `base` and returns a file path in them of exactly `length`
// characters whose every component is short enough for the system.
std::string DeepPath(std::string base, std::size_t length) {
  while (length - base.size() - 1 > 200) {
    base += "/" + std::string(150, 'd');
    mkdir(base.c_str(), 0755);
  }
  return base + "/" + std::string(length - base.size() - 1, 'f');
}

class SmartFileTest : public testing::Test {
 protected:
  void SetUp() override {
    test::UseNoConfiguration(home_);
    chmod(dir_.Path().c_str(), 0755);
    // The shared defaults are made now, without default files, so that no later step
    // reports on them.
    testing::internal::CaptureStderr();
    instrument_.GetItem(static_cast<int>(ItemKind::Instrument));
    const S2A_File document;
    testing::internal::GetCapturedStderr();
  }

  // A document whose bytes depend on `mark`.
  void Mark(S2A_File& document, std::uint8_t mark) {
    document.SysBlock()[0] = mark;
    document.PlvBlock()[100] = mark;
  }

  test::TempDir home_;
  test::TempDir dir_;
  test::TempDir logs_;
  S2I_File instrument_;
};

TEST(SmartFilenameTest, AbsoluteTextIsKeptAndRelativeTextResolvesToStartupDirectory) {
  const std::string startup = SmartFilename::StartupDirectory();
  SmartFilename name;
  name.SetPath("/abs/dir/x.s2a");
  EXPECT_EQ(name.Path(), "/abs/dir/x.s2a");
  name.SetPath("x.s2a");
  EXPECT_EQ(name.Path(), startup + "/x.s2a");
  name.SetPath("sub/x.s2a");
  EXPECT_EQ(name.Path(), startup + "/sub/x.s2a");
  name.SetPath("a\\b.s2a");  // a backslash is neither a separator nor a root
  EXPECT_EQ(name.Path(), startup + "/a\\b.s2a");
  name.SetPath("\\abs");
  EXPECT_EQ(name.Path(), startup + "/\\abs");
  name.SetPath(std::nullopt);
  EXPECT_EQ(name.Path(), "");
  EXPECT_EQ(SmartFilename::Join("/", "x"), "/x");
  EXPECT_EQ(SmartFilename::Join("/a/", "x"), "/a/x");
}

TEST(SmartFilenameTest, StartupDirectoryIsReadOnce) {
  const std::string startup = SmartFilename::StartupDirectory();
  const std::filesystem::path before = std::filesystem::current_path();
  test::TempDir elsewhere;
  ASSERT_EQ(chdir(elsewhere.Path().c_str()), 0);
  const std::string resolved = SmartFilename::Resolve("y.s2i");
  const std::string again = SmartFilename::StartupDirectory();
  std::filesystem::current_path(before);
  EXPECT_NE(startup, elsewhere.Path());
  EXPECT_EQ(resolved, startup + "/y.s2i");
  EXPECT_EQ(again, startup);
}

TEST(SmartFilenameTest, ExtensionIsOnlyAfterTheLastSeparator) {
  SmartFilename name;
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"/d.x/file", std::nullopt}, {"/d/x.s2a", "s2a"}, {"/d/x.tar.s2v", "s2v"}, {"/d/x.", ""},
      {"/d.x/a\\b.s2i", "s2i"},    {"/d/.s2e", "s2e"}};
  for (const auto& [path, extension] : cases) {
    name.SetPath(path);
    EXPECT_EQ(name.Extension(), extension) << path;
  }
  name.SetPath(std::nullopt);
  EXPECT_EQ(name.Extension(), std::nullopt);
}

TEST(SmartFilenameTest, SetExtensionReplacesRemovesOrAppends) {
  SmartFilename name;
  name.SetPath("/d/x.s2a");
  name.SetExtension("s2v");
  EXPECT_EQ(name.Path(), "/d/x.s2v");
  name.SetExtension(std::nullopt);
  EXPECT_EQ(name.Path(), "/d/x");
  name.SetExtension(std::nullopt);
  EXPECT_EQ(name.Path(), "/d/x");
  name.SetPath("/d.x/file");
  name.SetExtension("s2a");
  EXPECT_EQ(name.Path(), "/d.x/file.s2a");
  name.SetPath("/d/x.");
  name.SetExtension("s2i");
  EXPECT_EQ(name.Path(), "/d/x.s2i");
}

TEST(SmartFilenameTest, SetDirectoryKeepsTheFileNameWithOneSeparator) {
  SmartFilename name;
  name.SetPath("/a/b/x.s2a");
  name.SetDirectory("/c");
  EXPECT_EQ(name.Path(), "/c/x.s2a");
  name.SetDirectory("/e/f/");
  EXPECT_EQ(name.Path(), "/e/f/x.s2a");
  name.SetDirectory("/");
  EXPECT_EQ(name.Path(), "/x.s2a");
  name.SetPath("/a/b\\c.s2i");
  name.SetDirectory("/g");
  EXPECT_EQ(name.Path(), "/g/b\\c.s2i");
}

TEST_F(SmartFileTest, OpenFailuresLeaveNothingBehind) {
  SmartFile file;
  EXPECT_FALSE(file.Open(std::nullopt));
  EXPECT_FALSE(file.Open(dir_.File("missing.s2a")));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Error(), ENOENT);
  EXPECT_EQ(file.ErrorText(), "No such file or directory");
  EXPECT_FALSE(test::Exists(dir_.File("missing.s2a")));

  ASSERT_EQ(mkdir(dir_.File("folder.s2a").c_str(), 0755), 0);
  SmartFile folder;
  EXPECT_FALSE(folder.Open(dir_.File("folder.s2a")));
  EXPECT_FALSE(folder.IsOpen());
  EXPECT_NE(folder.Error(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("folder.s2a")));
}

TEST_F(SmartFileTest, ReadingPastTheEndIsNotAnError) {
  const std::vector<std::uint8_t> content = Pattern(100, 3);
  test::WriteBytes(dir_.File("a.bin"), content);
  SmartFile file;
  ASSERT_TRUE(file.Open(dir_.File("a.bin")));
  EXPECT_FALSE(file.Open(dir_.File("other.bin")));  // already open: the path stays
  EXPECT_EQ(file.Path(), dir_.File("a.bin"));
  test::WriteBytes(dir_.File("a.bin"), Pattern(300, 3));
  EXPECT_EQ(file.Size(), 100);

  std::vector<std::uint8_t> head(90);
  ASSERT_TRUE(file.Read(head));
  EXPECT_EQ(head, std::vector<std::uint8_t>(content.begin(), content.begin() + 90));
  ASSERT_TRUE(file.Seek(0));
  std::vector<std::uint8_t> tooMany(400);
  EXPECT_FALSE(file.Read(tooMany));
  EXPECT_EQ(file.Error(), 0);

  ASSERT_TRUE(file.Seek(10));
  EXPECT_FALSE(file.Skip(-1000));  // before the start: refused, the position stays
  EXPECT_EQ(file.Error(), EINVAL);
  EXPECT_EQ(file.Tell(), 10);
  ASSERT_TRUE(file.Seek(0));
  EXPECT_TRUE(file.Skip(5000));
  EXPECT_EQ(file.Tell(), 5000);
  EXPECT_EQ(file.Size(), 100);
  std::vector<std::uint8_t> one(1);
  EXPECT_FALSE(file.Read(one));
  EXPECT_EQ(file.Error(), 0);
}

TEST_F(SmartFileTest, ResolvedPathsLongerThan2047AreRefused) {
  const std::string longest = DeepPath(dir_.Path(), SmartFilename::kMaxPathLength);
  ASSERT_EQ(longest.size(), 2047u);
  ASSERT_EQ(SaveBytes(longest, Pattern(10, 1)), 0);
  SmartFile reader;
  ASSERT_TRUE(reader.Open(longest));
  EXPECT_EQ(reader.Size(), 10);

  const std::string tooLong = longest + "g";
  SmartFile file;
  EXPECT_FALSE(file.Open(tooLong));
  EXPECT_EQ(file.ErrorText(), "File name too long");
  SmartFile saver;
  EXPECT_FALSE(saver.OpenForSave(tooLong));
  EXPECT_EQ(saver.ErrorText(), "File name too long");
  testing::internal::CaptureStderr();
  EXPECT_EQ(SaveBytes(tooLong, Pattern(10, 1)), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening file: File name too long\n");
  const std::string folder = longest.substr(0, longest.rfind('/'));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);

  // The resolved path counts, not the text given.
  const std::string startup = SmartFilename::StartupDirectory();
  std::string text(SmartFilename::kMaxPathLength - startup.size(), 'r');
  for (std::size_t i = 9; i + 1 < text.size(); i += 10)
    text[i] = '/';
  SmartFile relative;
  EXPECT_FALSE(relative.Open(text));
  EXPECT_EQ(relative.Error(), ENAMETOOLONG);
}

TEST_F(SmartFileTest, ReadOnlyFileLoadsWithoutWriteAccess) {
  S2A_File saved;
  Mark(saved, 0x5A);
  const std::string path = dir_.File("bank.s2a");
  ASSERT_EQ(saved.Save(path), 0);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  S2A_File loaded;
  const int status = RunUnprivileged(logs_.File("err"), [&] {
    if (access(path.c_str(), W_OK) == 0)
      return 10;
    if (loaded.Load(path) != 0)
      return 11;
    if (loaded.SysBlock()[0] != 0x5A || loaded.PlvBlock()[100] != 0x5A)
      return 12;
    return 0;
  });
  if (status == kCannotDropPrivileges)
    GTEST_SKIP() << "cannot become an unprivileged user";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadText(logs_.File("err")), "");
  EXPECT_EQ(ModeOf(path) & 07777, 0444u);
}

TEST_F(SmartFileTest, SaveReplacesContentAndKeepsPermissions) {
  const std::string path = dir_.File("a.bin");
  ASSERT_EQ(SaveBytes(path, Pattern(5000, 1)), 0);
  EXPECT_EQ(test::ReadBytes(path), Pattern(5000, 1));
  ASSERT_EQ(chmod(path.c_str(), 0604), 0);
  ASSERT_EQ(SaveBytes(path, Pattern(70, 9)), 0);  // shorter: nothing of the old tail remains
  EXPECT_EQ(test::ReadBytes(path), Pattern(70, 9));
  EXPECT_EQ(ModeOf(path) & 07777, 0604u);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"a.bin"});
  ASSERT_EQ(chmod(path.c_str(), 06755), 0);
  ASSERT_EQ(SaveBytes(path, Pattern(10, 2)), 0);
  EXPECT_EQ(ModeOf(path) & 07777, 06755u) << "set-user-ID and set-group-ID bits stay";

  S2A_File document;
  Mark(document, 0x33);
  ASSERT_EQ(document.Save(dir_.File("b.s2a")), 0);
  EXPECT_GE(test::ReadBytes(dir_.File("b.s2a")).size(), kDocumentSize);
  S2A_File loaded;
  ASSERT_EQ(loaded.Load(dir_.File("b.s2a")), 0);
  EXPECT_EQ(loaded.SysBlock()[0], 0x33);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"a.bin", "b.s2a"}));
}

TEST_F(SmartFileTest, UnfinishedSaveLeavesTheOldFile) {
  const std::string path = dir_.File("a.bin");
  test::WriteBytes(path, Pattern(200, 4));
  {
    SmartFile file;
    ASSERT_TRUE(file.OpenForSave(path));
    ASSERT_TRUE(file.Write(Pattern(50, 8)));
    EXPECT_EQ(test::ReadBytes(path), Pattern(200, 4));
  }
  EXPECT_EQ(test::ReadBytes(path), Pattern(200, 4));
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"a.bin"});
}

// A write beyond the file size limit or into a pipe nobody reads fails the save; the process is
// not ended by SIGXFSZ or SIGPIPE.
TEST_F(SmartFileTest, WritesTheSystemRefusesFailTheSave) {
  struct Case {
    const char* target;
    bool named;
    const char* reason;
  };
  const Case cases[] = {{"bank.bin", false, "File too large"},
                        {"bank.bin", true, "File too large"},
                        {"pipe.bin", false, "Broken pipe"}};
  const std::vector<std::uint8_t> old = Pattern(300, 4);
  test::WriteBytes(dir_.File("bank.bin"), old);
  ASSERT_EQ(mkfifo(dir_.File("pipe.bin").c_str(), 0600), 0);
  for (const Case& c : cases) {
    const std::string path = dir_.File(c.target);
    const bool fifo = S_ISFIFO(ModeOf(path));
    const std::string log = logs_.File("err");
    const int status = RunLogged(log, [&] {
      std::signal(SIGXFSZ, SIG_DFL);
      std::signal(SIGPIPE, SIG_DFL);
      const rlimit limit{100000, 100000};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 91;
      // Opened first, the reader lets the save open the pipe, then goes away.
      const int reader = fifo ? open(path.c_str(), O_RDONLY | O_NONBLOCK) : -1;
      const ScopedSaveSystemCalls calls(CallsFor(c.named));
      const int result = SmartFile::SaveFile(path, [&](SmartFile& file) {
        close(reader);
        file.Write(Pattern(300000, 5));
      });
      return result == -1 ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << c.reason;
    EXPECT_EQ(ReadText(log), std::string("Error writing file: ") + c.reason + "\n");
    EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"bank.bin", "pipe.bin"})) << c.reason;
    EXPECT_TRUE(fifo || test::ReadBytes(path) == old) << c.reason;
  }
}

// SIGINT, SIGTERM and SIGHUP remove the named temporary file before they end the process; an
// unnamed one is never seen, whatever ends the process.
TEST_F(SmartFileTest, ASaveEndedByASignalLeavesOnlyTheOldFile) {
  struct Case {
    int signal;
    bool named;
  };
  const Case cases[] = {{SIGTERM, true}, {SIGINT, true}, {SIGHUP, true}, {SIGKILL, false}};
  const std::string path = dir_.File("a.bin");
  const std::vector<std::uint8_t> old = Pattern(300, 5);
  test::WriteBytes(path, old);
  for (const Case& c : cases) {
    if (!c.named && !HoldsUnnamedFiles(dir_.Path()))
      GTEST_SKIP() << "the test folder's file system has no unnamed files";
    const int status = test::RunInChild([&] {
      std::signal(c.signal, SIG_DFL);
      const ScopedSaveSystemCalls calls(CallsFor(c.named));
      SmartFile::SaveFile(path, [&](SmartFile& file) {
        file.Write(Pattern(100000, 6));
        if (dir_.Entries().size() != (c.named ? 2u : 1u))
          _exit(10);
        raise(c.signal);
      });
      return 11;
    });
    EXPECT_EQ(status, 128 + c.signal) << strsignal(c.signal);
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"a.bin"}) << strsignal(c.signal);
    EXPECT_EQ(test::ReadBytes(path), old);
  }
}

// A new file gets 0666 less the umask, an old one keeps its mode; a mode that cannot be given
// fails the save rather than leave the file wider open than before.
TEST_F(SmartFileTest, TheNewFileTakesTheOldModeOrTheSaveFails) {
  const ScopedUmask mask(027);
  const std::string fresh = dir_.File("new.bin");
  const std::string path = dir_.File("private.bin");
  for (const bool named : {false, true}) {
    const ScopedSaveSystemCalls calls(CallsFor(named));
    ASSERT_EQ(SaveBytes(fresh, Pattern(10, 1)), 0);
    EXPECT_EQ(ModeOf(fresh) & 07777, 0640u);
    test::WriteBytes(path, Pattern(20, 2));
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    ASSERT_EQ(SaveBytes(path, Pattern(30, 3)), 0);
    EXPECT_EQ(ModeOf(path) & 07777, 0600u);

    const ScopedSaveSystemCalls refusing(CallsFor(named, true));
    for (const std::string& target : {path, dir_.File("other.bin")}) {
      testing::internal::CaptureStderr();
      EXPECT_EQ(SaveBytes(target, Pattern(40, 4)), -1);
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "Error opening file: Operation not permitted\n");
    }
    EXPECT_EQ(ModeOf(path) & 07777, 0600u);
    EXPECT_EQ(test::ReadBytes(path), Pattern(30, 3));
    EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"new.bin", "private.bin"}));
    ASSERT_EQ(unlink(fresh.c_str()), 0);
  }
}

// A pipe has no size: its bytes are read whole when it is opened and load as a file of them.
TEST_F(SmartFileTest, StreamsWithoutASizeLoadLikeRegularFiles) {
  ASSERT_TRUE(test::WriteDemoFiles(logs_));
  using Reload = std::vector<std::uint8_t> (*)(const std::string&, const std::string&);
  const std::pair<const char*, Reload> kinds[] = {
      {"s2a", &Reloaded<S2A_File>}, {"s2e", &Reloaded<S2E_File>}, {"syx", &Reloaded<SYX_File>}};
  for (const auto& [extension, reload] : kinds) {
    const std::vector<std::uint8_t> bytes = test::ReadBytes(logs_.File("demo.") + extension);
    const std::string pipe = dir_.File("pipe.") + extension;
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { test::WriteBytes(pipe, bytes); });  // opens when the load does
    const std::vector<std::uint8_t> fromPipe = reload(pipe, dir_.File("from-pipe"));
    writer.join();
    EXPECT_EQ(fromPipe, reload(logs_.File("demo.") + extension, dir_.File("from-file")))
        << extension;
    EXPECT_EQ(fromPipe, bytes) << extension;
  }

  // A stream without an end is refused once it passes the limit.
  S2A_File endless;
  testing::internal::CaptureStderr();
  EXPECT_EQ(endless.Load("/dev/zero"), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error opening file: File too large\n");
}

// With regular files only (the editor's choice), loading and saving refuse a pipe nobody writes
// to or reads from, a device and a folder at once, saying what each is, and touch nothing.
TEST_F(SmartFileTest, RegularFilesOnlyRefusesWhatIsNotARegularFile) {
  const struct RegularFilesOnly {
    RegularFilesOnly() { SmartFile::SetRegularFilesOnly(true); }
    ~RegularFilesOnly() { SmartFile::SetRegularFilesOnly(false); }
  } policy;
  ASSERT_EQ(mkfifo(dir_.File("pipe.s2a").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir_.File("folder.syx").c_str(), 0755), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir_.File("pipe.s2a"), "not a regular file (a pipe)"},
      {"/dev/null", "not a regular file (a device)"},
      {dir_.File("folder.syx"), std::strerror(EISDIR)}};
  S2A_File document;
  SYX_File dump;
  for (const auto& [path, reason] : cases) {
    const mode_t before = ModeOf(path);
    int result = 0;
    for (File* file : {static_cast<File*>(&document), static_cast<File*>(&dump)}) {
      EXPECT_EQ(test::StderrOf([&] { return file->Load(path); }, result),
                "Error opening file: " + reason + "\n");
      EXPECT_EQ(test::StderrOf([&] { return file->Save(path); }, result),
                "Error opening file: " + reason + "\n");
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SmartFile::CanSaveTo(path)) << path;
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ModeOf(path), before) << path;
  }
  EXPECT_EQ(document.Save(dir_.File("bank.s2a")), 0) << "a regular file still saves";
  EXPECT_EQ(document.Load(dir_.File("bank.s2a")), 0);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"bank.s2a", "folder.syx", "pipe.s2a"}));
}

TEST_F(SmartFileTest, UnwritableFolderKeepsTheOldFile) {
  const std::string path = dir_.File("one.s2i");
  test::WriteBytes(path, Pattern(806, 2));
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(dir_.Path().c_str(), 0555), 0);
  }
  const int status = RunUnprivileged(logs_.File("err"), [&] {
    if (access(dir_.Path().c_str(), W_OK) == 0)
      return 10;
    return instrument_.Save(path) == -1 ? 0 : 1;
  });
  chmod(dir_.Path().c_str(), 0755);
  if (status == kCannotDropPrivileges)
    GTEST_SKIP() << "cannot become an unprivileged user";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadText(logs_.File("err")), "Error opening file: Permission denied\n");
  EXPECT_EQ(test::ReadBytes(path), Pattern(806, 2));
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"one.s2i"});
}

TEST_F(SmartFileTest, AWriteProtectedFileIsNotReplaced) {
  const std::string path = dir_.File("kept.s2i");
  test::WriteBytes(path, Pattern(806, 3));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0777), 0);  // the folder itself may be written
  const int status = RunUnprivileged(logs_.File("err"), [&] {
    if (access(path.c_str(), W_OK) == 0)
      return 10;
    return instrument_.Save(path) == -1 ? 0 : 1;
  });
  chmod(dir_.Path().c_str(), 0755);
  if (status == kCannotDropPrivileges)
    GTEST_SKIP() << "cannot become an unprivileged user";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadText(logs_.File("err")), "Error opening file: Permission denied\n");
  EXPECT_EQ(test::ReadBytes(path), Pattern(806, 3));
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"kept.s2i"});
}

TEST_F(SmartFileTest, SymbolicLinksStayLinks) {
  test::TempDir other;
  const std::string real = other.File("real.bin");
  test::WriteBytes(real, Pattern(300, 1));
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  const std::string absolute = dir_.File("absolute.bin");
  const std::string relative = dir_.File("relative.bin");
  const std::string chained = dir_.File("chained.bin");
  const std::string relativeTarget =
      "../" + std::filesystem::path(other.Path()).filename().string() + "/real.bin";
  ASSERT_EQ(symlink(real.c_str(), absolute.c_str()), 0);
  ASSERT_EQ(symlink(relativeTarget.c_str(), relative.c_str()), 0);
  ASSERT_EQ(symlink("relative.bin", chained.c_str()), 0);

  const std::pair<std::string, std::uint8_t> saves[] = {
      {absolute, 10}, {relative, 20}, {chained, 30}};
  for (const auto& [link, seed] : saves) {
    ASSERT_EQ(SaveBytes(link, Pattern(120, seed)), 0) << link;
    EXPECT_EQ(test::ReadBytes(real), Pattern(120, seed)) << link;
    EXPECT_TRUE(S_ISLNK(ModeOf(link))) << link;
  }
  EXPECT_EQ(std::filesystem::read_symlink(absolute).string(), real);
  EXPECT_EQ(std::filesystem::read_symlink(relative).string(), relativeTarget);
  EXPECT_EQ(std::filesystem::read_symlink(chained).string(), "relative.bin");
  EXPECT_TRUE(S_ISREG(ModeOf(real)));
  EXPECT_EQ(ModeOf(real) & 07777, 0640u);
  EXPECT_EQ(other.Entries(), std::vector<std::string>{"real.bin"});
  EXPECT_EQ(dir_.Entries(),
            (std::vector<std::string>{"absolute.bin", "chained.bin", "relative.bin"}));
}

TEST_F(SmartFileTest, FifoIsWrittenInPlace) {
  ASSERT_EQ(instrument_.Save(logs_.File("reference.s2i")), 0);
  const std::vector<std::uint8_t> expected = test::ReadBytes(logs_.File("reference.s2i"));
  ASSERT_EQ(expected.size(), 806u);

  const std::string fifo = dir_.File("pipe.s2i");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Held open for reading and writing, the pipe never blocks the save; 806 bytes fit its
  // buffer, and a save that replaced the pipe would leave nothing to read.
  const int reader = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(instrument_.Save(fifo), 0);
  std::vector<std::uint8_t> received(4096);
  const ssize_t count = read(reader, received.data(), received.size());
  close(reader);
  ASSERT_GE(count, 0);
  received.resize(static_cast<std::size_t>(count));
  EXPECT_EQ(received, expected);
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"pipe.s2i"});
}

TEST_F(SmartFileTest, TargetsThatCannotBeWrittenFail) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(instrument_.Save(dir_.File("missing/one.s2i")), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error opening file: No such file or directory\n");
  EXPECT_TRUE(dir_.Entries().empty());

  const std::string loop = dir_.File("loop.s2i");
  ASSERT_EQ(symlink("loop.s2i", loop.c_str()), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(instrument_.Save(loop), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string("Error opening file: ") + std::strerror(ELOOP) + "\n");
  EXPECT_TRUE(S_ISLNK(ModeOf(loop)));
  ASSERT_EQ(unlink(loop.c_str()), 0);

  const std::string folder = dir_.File("folder.s2i");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  test::WriteBytes(folder + "/inside", Pattern(10, 1));
  testing::internal::CaptureStderr();
  EXPECT_EQ(instrument_.Save(folder), -1);
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_EQ(error.rfind("Error ", 0), 0u) << error;
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
  EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
  EXPECT_EQ(test::ReadBytes(folder + "/inside"), Pattern(10, 1));
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"folder.s2i"});
}

}  // namespace

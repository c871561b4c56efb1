#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "demo/DemoBank.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "model/S2A_File.h"
#include "tests/support/TestSupport.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

class CorvaleCli : public testing::Test {
 protected:
  void SetUp() override {
    const char* cli = std::getenv("CORVALE_CLI");
    if (cli == nullptr)
      GTEST_SKIP() << "CORVALE_CLI names the tool; ctest sets it";
    cli_ = cli;
    test::UseNoConfiguration(dir_);
    DemoBank::FillDocument(demo_);
    ASSERT_EQ(demo_.Save(dir_.File("demo.s2a")), 0);
  }

  ToolRun Invoke(const std::string& arguments) {
    const std::string errPath = dir_.File("stderr.txt");
    const std::string command = "'" + cli_ + "' " + arguments + " 2>'" + errPath + "'";
    ToolRun run{};
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
      run.out.append(buffer, count);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto err = test::ReadBytes(errPath);
    run.err.assign(err.begin(), err.end());
    return run;
  }

  std::string Quoted(const std::string& name) { return "'" + dir_.File(name) + "'"; }

  test::TempDir dir_;
  std::string cli_;
  S2A_File demo_;
};

TEST_F(CorvaleCli, ListPrintsTheListingOfEveryFile) {
  S2V_File voices;
  voices.CopyBanksFrom(demo_);
  ASSERT_EQ(voices.Save(dir_.File("voices.S2V")), 0);
  S2I_File item;
  item.SetItem(*demo_.InternalInstrumentBank().ItemAt(0));
  ASSERT_EQ(item.Save(dir_.File("piano.s2i")), 0);

  const ToolRun run =
      Invoke("list " + Quoted("demo.s2a") + " " + Quoted("voices.S2V") + " " + Quoted("piano.s2i"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("File \"" + dir_.File("demo.s2a") +
                         "\" (S2A File):\n  Voice:\n"
                         "\tINT:001(A01) Pf:Grand Pno\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("\tINT:DR1(A01) Dr:Std Kit\n"), std::string::npos);
  EXPECT_NE(run.out.find("(S2V File):\n"), std::string::npos);
  EXPECT_NE(run.out.find("File " + dir_.File("piano.s2i") + " (S2I File):\n\tPf:Grand Pno\n"),
            std::string::npos);
}

TEST_F(CorvaleCli, ExitStatusTellsFailuresFromUsageErrors) {
  test::WriteBytes(dir_.File("broken.s2a"), std::vector<std::uint8_t>(100, 7));
  ToolRun run = Invoke("list " + Quoted("demo.s2a") + " " + Quoted("broken.s2a"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("(S2A File)"), std::string::npos) << "the good file is still listed";
  EXPECT_NE(run.err.find("Has Unknown format."), std::string::npos);

  run = Invoke("list " + Quoted("missing.s2v"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Error opening file: No such file or directory\n"), std::string::npos);
  EXPECT_FALSE(test::Exists(dir_.File("missing.s2v")));

  run = Invoke("list " + Quoted("demo.s2a") + " notes.txt");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "") << "nothing is loaded before the arguments are checked";
  EXPECT_NE(run.err.find("notes.txt: unknown extension"), std::string::npos);
  EXPECT_EQ(Invoke("list").status, 2);
  run = Invoke("frobnicate x.s2a");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("unknown verb 'frobnicate'"), std::string::npos);
}

TEST_F(CorvaleCli, HelpAndVersion) {
  const ToolRun help = Invoke("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("list FILE..."), std::string::npos);
  EXPECT_NE(help.out.find("Example: "), std::string::npos);
  const ToolRun version = Invoke("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("corvale-cli ") + CORVALE_VERSION + "\n");
}

}  // namespace

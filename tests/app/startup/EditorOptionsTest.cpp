// corvale --help and --version: answered on standard output by the real program, without a
// display and without a window; every other argument stays a file name.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>
#include <vector>

#include "app/startup/CommandLine.h"
#include "tests/support/TestSupport.h"

namespace {

struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};

// The editor run with `arguments` where no display is reachable: a start that made the
// toolkit's application would fail.
Finished RunEditor(const QStringList& arguments, const QString& outputFile = {}) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(name);
  process.setProcessEnvironment(environment);
  if (!outputFile.isEmpty())
    process.setStandardOutputFile(outputFile);
  process.start(CORVALE_EDITOR, arguments);
  EXPECT_TRUE(process.waitForFinished(test::kPatienceMs)) << arguments.join(' ').toStdString();
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

const std::string kVersion =
    std::string("corvale ") + CORVALE_VERSION +
    "\n"
    "Copyright (C) 2026 The Corvale developers\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

TEST(EditorOptions, HelpAndVersionAnswerWithoutAWindow) {
  const struct {
    QStringList arguments;
    std::string out;
  } cases[] = {
      {{"--help"}, HelpText()},
      {{"--version"}, kVersion},
      {{"missing.s2a", "--help"}, HelpText()},
      {{"--version", "--help"}, kVersion},
  };
  for (const auto& c : cases) {
    const Finished run = RunEditor(c.arguments);
    const std::string label = c.arguments.join(' ').toStdString();
    EXPECT_EQ(run.status, 0) << label;
    EXPECT_EQ(run.out, c.out) << label;
    EXPECT_EQ(run.err, "") << label;
  }
}

TEST(EditorOptions, TheHelpSaysTheUsageInLinesOfATerminal) {
  const std::string help = HelpText();
  EXPECT_TRUE(help.starts_with("Usage: corvale [FILE...]\n       corvale --help | --version\n"));
  EXPECT_NE(help.find("corvale-cli"), std::string::npos);
  std::size_t start = 0;
  for (std::size_t end = help.find('\n'); end != std::string::npos;
       start = end + 1, end = help.find('\n', start)) {
    EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
  }
  EXPECT_EQ(start, help.size()) << "the help ends with a line end";
}

TEST(EditorOptions, AnAnswerThatCannotBeWrittenFails) {
  const Finished run = RunEditor({"--help"}, "/dev/full");
  EXPECT_EQ(run.status, 1);
}

TEST(EditorOptions, OnlyTheExactWordsAreOptions) {
  const struct {
    std::vector<const char*> argv;
    StartRequest request;
  } cases[] = {
      {{"corvale"}, StartRequest::kOpenFiles},
      {{"corvale", "bank.s2a"}, StartRequest::kOpenFiles},
      {{"corvale", "-h"}, StartRequest::kOpenFiles},
      {{"corvale", "--helpx"}, StartRequest::kOpenFiles},
      {{"corvale", "--Help"}, StartRequest::kOpenFiles},
      {{"corvale", "./--help"}, StartRequest::kOpenFiles},
      {{"corvale", "--"}, StartRequest::kOpenFiles},
      {{"corvale", "--help"}, StartRequest::kHelp},
      {{"corvale", "a.s2a", "--version"}, StartRequest::kVersion},
      {{"corvale", "--version", "--help"}, StartRequest::kVersion},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RequestOf(static_cast<int>(c.argv.size()), c.argv.data()), c.request)
        << c.argv.back();
  }
  // The names a start opens are still every argument, as given.
  const char* argv[] = {"corvale", "-h", "./--help", "--"};
  EXPECT_EQ(CommandLineNames(4, argv), (QStringList{"-h", "./--help", "--"}));
}

}  // namespace

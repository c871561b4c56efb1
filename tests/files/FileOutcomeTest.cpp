// An outcome keeps what the file code said while it ran, and hands it on when asked.

#include "files/FileOutcome.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "files/FileDiagnostics.h"

namespace {

TEST(FileOutcomeTest, ItKeepsEachTextOnceInOrderAndNothingReachesTheHandlerAround) {
  const struct {
    int returned;
    std::vector<std::string> reported;
    int status;
    std::vector<std::string> said;
    std::string reason;
  } cases[] = {
      {0, {}, 0, {}, ""},
      {-1, {}, -1, {}, ""},
      {1, {}, -1, {}, ""},  // anything but 0 fails
      {-1, {"A\n", "B"}, -1, {"A", "B"}, "A; B"},
      {0, {"Read short", "Other", "Read short"}, 0, {"Read short", "Other"}, "Read short; Other"},
  };
  for (const auto& c : cases) {
    const FileDiagnosticCapture around;
    FileOutcome outcome;
    outcome.Run([&] {
      for (const std::string& text : c.reported)
        ReportFileDiagnostic("%s", text.c_str());
      return c.returned;
    });
    EXPECT_EQ(outcome.status, c.status) << c.reason;
    EXPECT_EQ(outcome.Succeeded(), c.status == 0) << c.reason;
    EXPECT_EQ(outcome.said, c.said) << c.reason;
    EXPECT_EQ(outcome.Reason(), c.reason);
    EXPECT_EQ(around.Text(), "") << c.reason;
  }
}

TEST(FileOutcomeTest, PassingOnGivesTheTextsToTheHandlerAroundWhichJoinsThemToItsOwn) {
  FileDiagnosticCapture around;
  ReportFileDiagnostic("Earlier");
  FileOutcome outcome;
  outcome.Run([] {
    ReportFileDiagnostic("Earlier");
    ReportFileDiagnostic("Error opening file: %s", "gone");
    return -1;
  });
  EXPECT_EQ(around.Text(), "Earlier");
  EXPECT_FALSE(outcome.PassOn().Succeeded());
  EXPECT_EQ(around.Text(), "Earlier; Error opening file: gone");

  testing::internal::CaptureStderr();
  {
    FileOutcome unkept;
    unkept.said = {"One", "Two"};
    // Without a handler of its own the thread prints each on standard error, as a reader would.
    std::thread([&] { unkept.PassOn(); }).join();
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "One\nTwo\n");
}

}  // namespace

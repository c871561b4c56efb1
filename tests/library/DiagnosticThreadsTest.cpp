#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "files/DocumentFiles.h"
#include "files/FileDiagnostics.h"
#include "library/LibraryAddition.h"
#include "model/S2A_File.h"
#include "tests/library/LibraryTestSupport.h"

namespace {

// Damaged bank files named `bad-N.s2a` in `folder`; their paths.
std::vector<std::string> WriteDamagedFiles(const std::string& folder, int count) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    paths.push_back(folder + "/bad-" + std::to_string(i) + ".s2a");
    test::WriteBytes(paths.back(), std::vector<std::uint8_t>(64 + i, 0x55));
  }
  return paths;
}

std::string UnknownFormat(const std::string& path) {
  return "Error: \"" + path + "\" Has Unknown format.";
}

// The library adds a folder on a thread of its own while the window opens files on its own
// thread, as the Library window's addition and a bank window's Open do: each thread's capture
// holds exactly what its own file code said, and every text reaches it.
TEST(DiagnosticThreadsTest, EachThreadsCaptureHoldsItsOwnTextsWhileTheOtherReportsToo) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteDemoFiles(dir));
  const std::string adding = dir.File("adding");
  const std::vector<std::string> addedDamaged = WriteDamagedFiles(adding, 8);
  std::filesystem::rename(dir.File("demo.s2a"), adding + "/demo.s2a");
  const std::vector<std::string> openedDamaged = WriteDamagedFiles(dir.File("opening"), 8);
  std::vector<std::string> skipped;
  for (const std::string& path : addedDamaged)
    skipped.push_back(path + ": could not be loaded: " + UnknownFormat(path));

  std::atomic<int> additions = 0;
  std::atomic<bool> stop = false;
  std::atomic<bool> adderEnded = false;
  std::vector<std::string> additionFaults;  // read after the thread ends
  std::thread adder([&] {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(dir.File("library.sqlite"));
    while (store && !stop) {
      LibraryAddition addition(*store);
      AdditionReport report;
      if (addition.Add(std::vector<std::string>{adding}, report) != 0)
        additionFaults.push_back(addition.Error());
      std::vector<std::string> remarks;
      for (const FileRemark& remark : report.skipped)
        remarks.push_back(remark.path + ": " + remark.text);
      std::sort(remarks.begin(), remarks.end());
      if (remarks != skipped)
        additionFaults.insert(additionFaults.end(), remarks.begin(), remarks.end());
      ++additions;
    }
    adderEnded = true;
  });

  // Opens go on until the addition has run whole twice, so that one ran entirely beside them.
  int opens = 0;
  std::string wrong;
  while (wrong.empty() && (opens < 20 || (additions < 2 && !adderEnded))) {
    const std::string& path = openedDamaged[opens++ % openedDamaged.size()];
    FileDiagnosticCapture outside;
    S2A_File document;
    const BankFileLoad load = OpenBankFile(document, path);
    if (load.Succeeded() || load.Reason() != UnknownFormat(path) || !outside.Text().empty()) {
      wrong = "open " + std::to_string(opens) + " of " + path + " said: " + load.Reason() +
              ", outside it: " + outside.Text();
    }
  }
  stop = true;
  adder.join();
  EXPECT_EQ(wrong, "");
  EXPECT_EQ(additionFaults, std::vector<std::string>());
}

}  // namespace

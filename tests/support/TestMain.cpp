// Every test run gets its own settings file, so that no test reads or writes the settings of
// the person running it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/support/TestSupport.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const auto home = std::make_unique<test::TempDir>();
  test::UseNoConfiguration(*home);
  // Programs received join the library, which is then the run's own.
  ::setenv("XDG_DATA_HOME", home->Path().c_str(), 1);
  return RUN_ALL_TESTS();
}

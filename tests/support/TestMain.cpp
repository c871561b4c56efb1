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
  return RUN_ALL_TESTS();
}

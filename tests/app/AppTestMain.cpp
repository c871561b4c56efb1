// The window tests run on a platform without a display (CORVALE_TEST_PLATFORM, unless the
// environment names another), with their own settings file as every test program has.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "tests/support/TestSupport.h"

int main(int argc, char** argv) {
  // Set before the application exists, so that listing the tests needs no display either.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", CORVALE_TEST_PLATFORM);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const auto home = std::make_unique<test::TempDir>();
  test::UseNoConfiguration(*home);
  // Programs received join the library, which is then the run's own.
  ::setenv("XDG_DATA_HOME", home->Path().c_str(), 1);
  return RUN_ALL_TESTS();
}

#include "cli/VerbArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/ExitStatus.h"

namespace {

constexpr OptionRule kOptions[] = {{"--force"}, {"--retries", "a number"}, {"--tag", "a tag"}};

struct Case {
  std::vector<std::string> arguments;
  int status;
  std::vector<std::string> words;
  std::vector<std::string> tags;  // the values of --tag, in order
  const char* retries;            // the last value of --retries, or none
  bool force;
};

TEST(VerbArguments, OptionsAnywhereValuesEitherWayAndDoubleDashEndsThem) {
  const Case cases[] = {
      {{"a", "--force", "b"}, kExitSuccess, {"a", "b"}, {}, nullptr, true},
      {{"--retries=3", "a"}, kExitSuccess, {"a"}, {}, "3", false},
      {{"a", "--retries", "3", "--retries=4"}, kExitSuccess, {"a"}, {}, "4", false},
      {{"--retries="}, kExitSuccess, {}, {}, "", false},
      {{"--tag", "x", "a", "--tag=y=z"}, kExitSuccess, {"a"}, {"x", "y=z"}, nullptr, false},
      // A value is taken as it is, also when it looks like an option.
      {{"--tag", "--force"}, kExitSuccess, {}, {"--force"}, nullptr, false},
      {{"-", "--force", "-"}, kExitSuccess, {"-", "-"}, {}, nullptr, true},
      {{"a", "--", "--force", "-x", "--"},
       kExitSuccess,
       {"a", "--force", "-x", "--"},
       {},
       nullptr,
       false},
      {{"--fast", "a"}, kExitUsage, {}, {}, nullptr, false},
      {{"-x"}, kExitUsage, {}, {}, nullptr, false},
      {{"--force=yes"}, kExitUsage, {}, {}, nullptr, false},
      {{"a", "--retries"}, kExitUsage, {}, {}, nullptr, false},
      {{"--forc"}, kExitUsage, {}, {}, nullptr, false},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& argument : c.arguments)
      line += argument + " ";
    SCOPED_TRACE(line);
    VerbArguments parsed;
    ASSERT_EQ(parsed.Parse("verb", c.arguments, kOptions), c.status);
    if (c.status != kExitSuccess)
      continue;
    EXPECT_EQ(parsed.Words(), c.words);
    EXPECT_EQ(parsed.Values("--tag"), c.tags);
    EXPECT_EQ(parsed.Value("--retries"),
              c.retries ? std::optional<std::string>(c.retries) : std::nullopt);
    EXPECT_EQ(parsed.Has("--force"), c.force);
  }
}

}  // namespace

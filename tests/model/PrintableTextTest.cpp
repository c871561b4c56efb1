#include "model/PrintableText.h"

#include <gtest/gtest.h>

// A path keeps its characters, whatever the language; every byte that could steer a terminal or
// break a line, or that is not a whole UTF-8 character, is written as \xHH.
TEST(PrintableText, PathsKeepTheirCharactersAndEscapeEverythingElse) {
  const struct {
    std::string path;
    std::string shown;
  } cases[] = {
      {"/banks/a bank.s2a", "/banks/a bank.s2a"},
      {"/banks/Müller/é✓😀.s2a", "/banks/Müller/é✓😀.s2a"},
      {"a\x1b]0;Pwn\x07.s2a", "a\\x1b]0;Pwn\\x07.s2a"},
      {"two\nlines\r\x7f", "two\\x0alines\\x0d\\x7f"},
      {"csi\xc2\x9b"
       "2J",
       "csi\\xc2\\x9b2J"},                         // a C1 control, in UTF-8
      {"latin1 \xe9t\xe9", "latin1 \\xe9t\\xe9"},  // not UTF-8
      {"cut \xe2\x9c", "cut \\xe2\\x9c"},
      {"overlong \xc0\xaf \xe0\x80\xaf", "overlong \\xc0\\xaf \\xe0\\x80\\xaf"},
      {"surrogate \xed\xa0\x80", "surrogate \\xed\\xa0\\x80"},
      {"beyond \xf4\x90\x80\x80", "beyond \\xf4\\x90\\x80\\x80"},
      {std::string("nul\0byte", 8), "nul\\x00byte"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PrintablePath(c.path), c.shown) << c.shown;
  // Names are the synthesizer's ASCII: every other byte is escaped there.
  EXPECT_EQ(PrintableText("Pf:Grand\x1b"), "Pf:Grand\\x1b");
  EXPECT_EQ(PrintableText("\xc3\xa9"), "\\xc3\\xa9");
}

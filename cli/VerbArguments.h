#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// An option a verb takes: "--retries", and what its value is ("a number from 0 to 99") for the
// line that says it is missing; a flag has none.
struct OptionRule {
  const char* name;
  const char* value = nullptr;
};

// A verb's arguments as GNU tools read them: options anywhere among the words, a value as
// "--name value" or "--name=value", and everything after "--" a word, also when it starts with
// "-". "-" alone is a word: standard input or output.
class VerbArguments {
 public:
  // Prints the usage error and returns its status; 0 when the arguments parse.
  int Parse(const std::string& verb, std::span<const std::string> arguments,
            std::span<const OptionRule> options);

  const std::vector<std::string>& Words() const { return words_; }
  bool Has(std::string_view name) const;
  // The last value given to the option.
  std::optional<std::string> Value(std::string_view name) const;
  // Every value given to the option, in order.
  std::vector<std::string> Values(std::string_view name) const;

 private:
  std::vector<std::string> words_;
  std::vector<std::pair<std::string, std::string>> options_;
};

// Whether the option is one of the tool's own ("-q", "--help"), which main takes out of every
// verb's arguments before "--".
bool IsToolOption(std::string_view argument);

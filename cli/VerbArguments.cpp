#include "cli/VerbArguments.h"

#include <algorithm>

#include "cli/ExitStatus.h"

namespace {

const OptionRule* FindOption(std::span<const OptionRule> options, std::string_view name) {
  const auto found = std::find_if(options.begin(), options.end(),
                                  [name](const OptionRule& rule) { return rule.name == name; });
  return found == options.end() ? nullptr : &*found;
}

}  // namespace

int VerbArguments::Parse(const std::string& verb, std::span<const std::string> arguments,
                         std::span<const OptionRule> options) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
      words_.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const OptionRule* rule = FindOption(options, name);
    if (rule == nullptr)
      return UsageError(verb + ": unknown option " + name);
    if (rule->value == nullptr) {
      if (equals != std::string::npos)
        return UsageError(verb + ": " + name + " takes no value");
      options_.emplace_back(name, "");
    } else if (equals != std::string::npos) {
      options_.emplace_back(name, argument.substr(equals + 1));
    } else if (i + 1 < arguments.size()) {
      options_.emplace_back(name, arguments[++i]);
    } else {
      return UsageError(verb + ": " + name + " needs " + rule->value);
    }
  }
  return kExitSuccess;
}

bool VerbArguments::Has(std::string_view name) const {
  return std::any_of(options_.begin(), options_.end(),
                     [name](const auto& option) { return option.first == name; });
}

std::optional<std::string> VerbArguments::Value(std::string_view name) const {
  const auto last = std::find_if(options_.rbegin(), options_.rend(),
                                 [name](const auto& option) { return option.first == name; });
  if (last == options_.rend())
    return std::nullopt;
  return last->second;
}

std::vector<std::string> VerbArguments::Values(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [option, value] : options_) {
    if (option == name)
      values.push_back(value);
  }
  return values;
}

bool IsToolOption(std::string_view argument) {
  return argument == "-q" || argument == "--quiet" || argument == "-h" || argument == "--help";
}

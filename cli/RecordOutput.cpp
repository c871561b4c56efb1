#include "cli/RecordOutput.h"

#include <cstdio>

#include "model/PrintableText.h"

std::optional<RecordOutput::Form> RecordOutput::FormOf(const std::string& word) {
  if (word == "tsv")
    return Form::Tsv;
  if (word == "json")
    return Form::Json;
  return std::nullopt;
}

RecordOutput::RecordOutput(Form form, std::vector<const char*> fields)
    : form_(form), fields_(std::move(fields)) {
  if (form_ == Form::Json) {
    std::fputs("[", stdout);
    return;
  }
  std::string line;
  for (const char* field : fields_)
    line += (line.empty() ? "" : "\t") + std::string(field);
  std::printf("%s\n", line.c_str());
}

RecordOutput::~RecordOutput() {
  if (form_ == Form::Json)
    std::fputs(first_ ? "]\n" : "\n]\n", stdout);
}

void RecordOutput::Write(const std::vector<Value>& values) {
  std::string line;
  for (std::size_t i = 0; i < fields_.size() && i < values.size(); ++i) {
    const Value& value = values[i];
    if (form_ == Form::Tsv) {
      line += (i == 0 ? "" : "\t") + (value.number ? value.text : PrintablePath(value.text));
    } else {
      line += std::string(i == 0 ? "{" : ", ") + JsonString(fields_[i]) + ": " +
              (value.number ? value.text : JsonString(value.text));
    }
  }
  if (form_ == Form::Json) {
    std::printf("%s\n  %s}", first_ ? "" : ",", line.c_str());
    first_ = false;
  } else {
    std::printf("%s\n", line.c_str());
  }
}

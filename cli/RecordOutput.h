#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Records on standard output for another program to read, each with the same fields: tab-
// separated values, a line of field names first and a record a line (a value's bytes outside
// printable characters, a tab or a line break among them, as \xHH, as the listings write them);
// or one JSON array of objects (bytes that are not UTF-8 as \u00HH, read as Latin-1).
class RecordOutput {
 public:
  enum class Form { Tsv, Json };
  // The form --format names: "tsv" or "json"; none for any other.
  static std::optional<Form> FormOf(const std::string& word);

  RecordOutput(Form form, std::vector<const char*> fields);
  ~RecordOutput();
  RecordOutput(const RecordOutput&) = delete;
  RecordOutput& operator=(const RecordOutput&) = delete;

  // One value a field, in the order of the fields.
  struct Value {
    std::string text;
    bool number = false;  // written without quotes in JSON
  };
  static Value Number(std::int64_t number) { return {std::to_string(number), true}; }
  void Write(const std::vector<Value>& values);

 private:
  Form form_;
  std::vector<const char*> fields_;
  bool first_ = true;
};

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// What every fuzz target shares: a private scratch folder for the run, a settings file there
// that names no configuration folder, and the one input file the path-based readers load.
namespace fuzz {

// Called once from LLVMFuzzerInitialize. Makes the scratch folder (under $TMPDIR, else /tmp),
// names its empty settings file in CORVALE_SETTINGS, so that no user settings are read and
// every default file is simply missing, and sends standard output to /dev/null, so that the
// listings the targets print cost nothing. Standard error is left alone: libFuzzer's own
// -close_fd_mask=2 silences the readers' messages and keeps the crash reports.
void Initialize();

// The settings file of the run, as CORVALE_SETTINGS names it.
const std::string& SettingsPath();

// Replaces the content of the file at `path` (creating it) by `bytes`.
void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Replaces the input file's content by `bytes` and returns its path. The same file is reused
// for every input of the process.
const std::string& WriteInput(std::span<const std::uint8_t> bytes);

// Stops the process, as libFuzzer reports a crash, when a property the code promises fails.
void Check(bool condition, const char* what);

}  // namespace fuzz

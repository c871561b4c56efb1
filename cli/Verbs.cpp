#include "cli/Verbs.h"

#include <array>
#include <cstdio>
#include <memory>

#include "files/FileExtension.h"
#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "model/S2A_File.h"

namespace {

// The container that loads and lists a file of one extension.
std::unique_ptr<File> ContainerFor(const std::string& path) {
  if (HasExtension(path, "s2a"))
    return std::make_unique<S2A_File>();
  if (HasExtension(path, "s2v"))
    return std::make_unique<S2V_File>();
  if (HasExtension(path, "s2e"))
    return std::make_unique<S2E_File>();
  if (HasExtension(path, "s2i"))
    return std::make_unique<S2I_File>();
  return nullptr;
}

bool IsListable(const std::string& path) {
  for (const char* extension : {"s2a", "s2v", "s2e", "s2i"}) {
    if (HasExtension(path, extension))
      return true;
  }
  return false;
}

int ListFiles(std::span<const std::string> files) {
  if (files.empty())
    return UsageError("list: no file given");
  for (const std::string& path : files) {
    if (!IsListable(path)) {
      return UsageError("list: " + path +
                        ": unknown extension (expected .s2a, .s2v, .s2e or .s2i)");
    }
  }
  int status = kExitSuccess;
  for (const std::string& path : files) {
    std::unique_ptr<File> container = ContainerFor(path);
    if (container->Load(path) != 0) {
      std::fprintf(stderr, "corvale-cli: list: %s: could not be loaded\n", path.c_str());
      status = kExitFailure;
      continue;
    }
    container->PrintListing();
    std::fflush(stdout);
  }
  return status;
}

constexpr std::array<Verb, 1> kVerbs{{
    {"list", "list FILE...",
     "Print the items of each bank file (.s2a, .s2v, .s2e) or item file (.s2i).",
     "corvale-cli list \"My Banks.s2a\" piano.s2i", &ListFiles},
}};

}  // namespace

std::span<const Verb> Verbs() {
  return kVerbs;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "corvale-cli: %s\n", message.c_str());
  return kExitUsage;
}

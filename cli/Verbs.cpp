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

// The containers that load and list a file, by extension.
struct ListableKind {
  const char* extension;
  std::unique_ptr<File> (*make)();
};

template <class Container>
std::unique_ptr<File> Make() {
  return std::make_unique<Container>();
}

constexpr std::array<ListableKind, 4> kListable{{
    {"s2a", &Make<S2A_File>},
    {"s2v", &Make<S2V_File>},
    {"s2e", &Make<S2E_File>},
    {"s2i", &Make<S2I_File>},
}};

const ListableKind* ListableKindOf(const std::string& path) {
  for (const ListableKind& kind : kListable) {
    if (HasExtension(path, kind.extension))
      return &kind;
  }
  return nullptr;
}

int ListFiles(std::span<const std::string> files) {
  if (files.empty())
    return UsageError("list: no file given");
  for (const std::string& path : files) {
    if (ListableKindOf(path) == nullptr) {
      return UsageError("list: " + path +
                        ": unknown extension (expected .s2a, .s2v, .s2e or .s2i)");
    }
  }
  int status = kExitSuccess;
  for (const std::string& path : files) {
    const std::unique_ptr<File> container = ListableKindOf(path)->make();
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

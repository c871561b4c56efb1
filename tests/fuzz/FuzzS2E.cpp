// The S2E reader: any bytes as an .s2e file, listed, then taken into a document.

#include <cstddef>
#include <cstdint>
#include <span>

#include "files/S2E_File.h"
#include "model/S2A_File.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::WriteInput(std::span(data, size));
  S2E_File externals;
  if (externals.Load(path) != 0)
    return 0;
  externals.PrintListing();
  S2A_File document;
  externals.CopyBanksTo(document);
  return 0;
}

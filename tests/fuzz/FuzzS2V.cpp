// The S2V reader: any bytes as an .s2v file, listed, then taken into a document.

#include <cstddef>
#include <cstdint>
#include <span>

#include "files/S2V_File.h"
#include "model/S2A_File.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::WriteInput(std::span(data, size));
  S2V_File voices;
  if (voices.Load(path) != 0)
    return 0;
  voices.PrintListing();
  S2A_File document;
  voices.CopyBanksTo(document);
  return 0;
}

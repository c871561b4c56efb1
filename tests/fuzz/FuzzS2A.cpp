// The S2A reader: any bytes as an .s2a file, loaded into a document that is then listed.

#include <cstddef>
#include <cstdint>
#include <span>

#include "model/S2A_File.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::WriteInput(std::span(data, size));
  S2A_File document;
  if (document.Load(path) == 0)
    document.PrintListing();
  return 0;
}

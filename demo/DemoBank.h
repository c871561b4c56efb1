#pragma once

#include <cstdint>
#include <string>

class Item;
class S2A_File;

// Plausible example content, made by our own code: named and categorised items with bodies of
// arbitrary 7-bit bytes, and the four data blocks filled with a recognisable pattern. The same
// seed always gives the same content.
namespace DemoBank {

// Names `item`, sets its category code and fills the rest of its image with 7-bit bytes.
void FillItem(Item& item, const std::string& name, int categoryCode, std::uint32_t seed);

// Fills every bank and block of `document`, with a CLP section.
void FillDocument(S2A_File& document, std::uint32_t seed = 1);

// Each block byte is the letters of the block's tag, repeated, plus its position's low bits,
// so a block is recognisable in a hex dump and no two positions of a run look alike.
std::uint8_t BlockPatternByte(const char* tag, std::size_t position);

}  // namespace DemoBank

#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

class Bank;
class Item;
class S2A_File;

// What the supporting files (the Cakewalk .ins and the MIDI name document .midnam) say of a
// document, so that a sequencer shows the same banks and programs under the same names from
// either.

inline constexpr const char* kSupportingFileAuthor =
    "Corvale, the S80 bank editor and librarian, 2026";
inline constexpr const char* kInstrumentMaker = "Yamaha";
inline constexpr const char* kInstrumentModel = "S80";
// A base name holds at most this many bytes.
inline constexpr std::size_t kBaseNameLimit = 63;

// The file name without its folder and its last extension, cut to kBaseNameLimit bytes without
// splitting a UTF-8 sequence; "Unknown" without a file name.
std::string SupportingFileBaseName(const std::optional<std::string>& path);
// The banks that are written: those that hold content, in the document's bank-list order.
void ForEachBankWithContent(const S2A_File& document,
                            const std::function<void(const Bank&)>& visit);
// "Yamaha S80 - <base>".
std::string InstrumentTitle(const std::string& baseName);
// "Yamaha S80 - <base> - Internal Instrument": the name of one bank's list of programs.
std::string PatchListTitle(const std::string& baseName, const Bank& bank);
// "Perf:  Rock Lead [Ld]": `name` (the item's name, or a form of it) right-aligned in ten
// columns, then the category; "Perf: " before it for a performance.
std::string PatchName(const Item& item, const std::string& name);

#pragma once

#include <QByteArray>
#include <memory>
#include <span>
#include <vector>

class Item;
class QMimeData;
struct ProgramImage;

// Programs dragged out of the library or out of a bank window: their kinds and images travel in
// the drag's data itself, so that a bank window takes a program without reaching into the
// library and the library takes a bank window's programs without reaching into its document.
class ProgramDragData {
 public:
  // One program: a bank window's line takes it.
  static const char* const kMimeType;
  // A whole tab's programs, or rows of the library's table: only a collection takes them.
  static const char* const kListMimeType;

  // A program as its kind's code, the image's size in four bytes (most significant first), then
  // the image; a list is such records back to back.
  static QByteArray encode(const ProgramImage& program);
  static QByteArray encodeList(std::span<const Item* const> items);
  static QByteArray encodeList(std::span<const ProgramImage> programs);
  // A drag's data carrying `item` as one program.
  static QMimeData* mimeDataOf(const Item& item);
  static bool carriesProgram(const QMimeData* data);
  static bool carriesPrograms(const QMimeData* data);
  // The program as an item of its kind; none when the data is no whole program.
  static std::unique_ptr<Item> decode(const QMimeData* data);
  // The list, or else the one program, as items; none when any of them is not whole.
  static std::vector<std::unique_ptr<Item>> decodeAll(const QMimeData* data);
};

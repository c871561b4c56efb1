#pragma once

#include <QByteArray>
#include <memory>

class Item;
class QMimeData;
struct ProgramImage;

// A program dragged out of the library: its kind and image travel in the drag's data itself,
// so that a bank window takes it without reaching into the library.
class ProgramDragData {
 public:
  static const char* const kMimeType;

  // The kind's code, then the image.
  static QByteArray encode(const ProgramImage& program);
  static bool carriesProgram(const QMimeData* data);
  // The program as an item of its kind; none when the data is no whole program.
  static std::unique_ptr<Item> decode(const QMimeData* data);
};

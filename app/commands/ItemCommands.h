#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

class DocumentView;
class Item;

// The Edit menu's commands on the item of the selected line: the clipboard, Clear, Rename,
// and Import and Export of single items.
class ItemCommands {
  Q_DECLARE_TR_FUNCTIONS(ItemCommands)

 public:
  explicit ItemCommands(DocumentView& view) : view_(view) {}

  void cut();
  void copy();
  void paste();
  void clear();
  // Names `item` `name` (at most the name field's length of printable ASCII, or it is refused).
  void rename(Item& item, const QString& name);
  void importItem();
  void exportItem();
  // The program of the selected line waits for another to compare it with, or is compared with
  // the one waiting.
  void compareWith();

  // Paste and Import: `source` into `item` as one undoable step, when both are of one kind;
  // otherwise "Couldn't <what>, unmatched types" and nothing changes.
  bool takeItemOfSameKind(Item& item, const Item& source, const char* what);

  // The name Export offers for an item: the letters, digits, blanks and ()-+ of its name,
  // trimmed, with ".s2i".
  static QString exportFileNameFor(const std::string& itemName);

 private:
  DocumentView& view_;
};

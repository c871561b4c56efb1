#pragma once

#include <QString>

class Item;
class QWidget;

// Compare With, in any window: the first program chosen waits for the second, chosen in the same
// window or another, and the two then show in a Compare window.
namespace CompareCommand {

// Marks `item` (at `place`, such as "INT:017(B01)" or "library:14") or compares it with the one
// marked; the status text to show.
QString compareWith(QWidget* parent, const Item& item, const QString& place);

// Two programs at once (two rows chosen in the library's table); the status text to show.
QString compare(QWidget* parent, const Item& a, const QString& aPlace, const Item& b,
                const QString& bPlace);

}  // namespace CompareCommand

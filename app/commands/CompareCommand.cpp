#include "app/commands/CompareCommand.h"

#include <QCoreApplication>

#include "app/commands/SharedEditingState.h"
#include "app/dialogs/CompareWindow.h"
#include "model/Item.h"

namespace CompareCommand {

QString compareWith(QWidget* parent, const Item& item, const QString& place) {
  QString markedPlace;
  const std::unique_ptr<Item> marked = sharedEditing().takeMarkedForComparing(markedPlace);
  if (!marked) {
    sharedEditing().markForComparing(item, place);
    return QCoreApplication::translate(
               "CompareCommand", "Marked %1 %2: choose another program and Compare With again")
        .arg(place, QString::fromStdString(item.PrintableName()));
  }
  return compare(parent, *marked, markedPlace, item, place);
}

QString compare(QWidget* parent, const Item& a, const QString& aPlace, const Item& b,
                const QString& bPlace) {
  CompareWindow::showComparison(parent, a, aPlace, b, bPlace);
  return QCoreApplication::translate("CompareCommand", "Compared %1 with %2").arg(aPlace, bPlace);
}

}  // namespace CompareCommand

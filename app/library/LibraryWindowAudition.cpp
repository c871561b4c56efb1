// The Library window's Audition: the program of the table's current row to the S80's edit
// buffer while Audition is on.

#include <QAction>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QTableView>
#include <QToolBar>

#include "app/commands/Audition.h"
#include "app/library/LibraryWindow.h"
#include "app/library/ProgramTableModel.h"
#include "model/BankLayouts.h"
#include "model/Item.h"

void LibraryWindow::buildAudition() {
  QAction* audition = sharedAudition().makeAction(*this);
  QToolBar* tools = addToolBar(tr("Tools"));
  tools->setObjectName(QStringLiteral("LibraryToolBar"));
  tools->setMovable(false);
  tools->addAction(audition);
  midiMenu_->addSeparator();
  midiMenu_->addAction(audition);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid())
              auditionProgramAt(current.row());
          });
  connect(audition, &QAction::triggered, this, [this](bool on) {
    auditioned_ = 0;
    if (on && table_->currentIndex().isValid())
      auditionProgramAt(table_->currentIndex().row());
  });
}

void LibraryWindow::auditionProgramAt(int row) {
  const ListedProgram* listed = model_->listed(row);
  // The current row comes back to its program when the table is read again.
  if (!sharedAudition().isOn() || !listed || listed->program.id == auditioned_)
    return;
  const std::unique_ptr<Item> item = programItem(listed->program.id);
  if (!item)
    return;
  auditioned_ = listed->program.id;
  QString shown = QString::fromStdString(listed->program.name);
  if (const std::optional<ProgramPlace>& place = listed->firstPlace) {
    const BankLayout* layout = FindBankLayoutByWord(place->bank);
    if (layout != nullptr && place->slot >= 0 && place->slot < layout->capacity)
      shown = QString::fromStdString(SlotPlace(*layout, place->slot)) + u' ' + shown;
  }
  if (const QString status = sharedAudition().play(*item, shown); !status.isEmpty())
    setStatus(status);
}

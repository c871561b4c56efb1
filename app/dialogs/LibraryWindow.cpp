#include "app/dialogs/LibraryWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

LibraryWindow::LibraryWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Library"));
  resize(kDesignWidth, kDesignHeight);

  QMenu* library = menuBar()->addMenu(QStringLiteral("Library"));
  newAction_ = library->addAction(QStringLiteral("&New..."));
  closeAction_ = library->addAction(QStringLiteral("&Close"));
  QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
  undoAction_ = edit->addAction(QStringLiteral("&Undo"));
  undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  undoAction_->setEnabled(false);
  edit->addSeparator();
  cutAction_ = edit->addAction(QStringLiteral("&Cut"));

  tree_ = new QTreeWidget;
  tree_->setHeaderHidden(true);
  setCentralWidget(tree_);

  setObjectName(QStringLiteral("LibraryForm"));
  tree_->setObjectName(QStringLiteral("TreeView1"));
  newAction_->setObjectName(QStringLiteral("New1"));
  closeAction_->setObjectName(QStringLiteral("Close1"));
  undoAction_->setObjectName(QStringLiteral("Undo1"));
  cutAction_->setObjectName(QStringLiteral("Cut1"));
}

#include "app/dialogs/LibraryWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

LibraryWindow::LibraryWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Library"));
  resize(kDesignWidth, kDesignHeight);

  QMenu* library = menuBar()->addMenu(QStringLiteral("Library"));
  New1 = library->addAction(QStringLiteral("&New..."));
  Close1 = library->addAction(QStringLiteral("&Close"));
  QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
  Undo1 = edit->addAction(QStringLiteral("&Undo"));
  Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Undo1->setEnabled(false);
  edit->addSeparator();
  Cut1 = edit->addAction(QStringLiteral("&Cut"));

  TreeView1 = new QTreeWidget;
  TreeView1->setHeaderHidden(true);
  setCentralWidget(TreeView1);
}

#pragma once

#include <QMainWindow>

class QAction;
class QTreeWidget;

// The library window: an empty tree and a menu bar whose commands do nothing yet.
class LibraryWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kDesignWidth = 513;
  static constexpr int kDesignHeight = 408;

  explicit LibraryWindow(QWidget* parent = nullptr);

  QTreeWidget* TreeView1 = nullptr;
  QAction* New1 = nullptr;
  QAction* Close1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Cut1 = nullptr;
};

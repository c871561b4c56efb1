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

 private:
  QTreeWidget* tree_ = nullptr;
  QAction* newAction_ = nullptr;
  QAction* closeAction_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* cutAction_ = nullptr;
};

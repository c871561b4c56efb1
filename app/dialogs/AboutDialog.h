#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QMouseEvent;
class QShowEvent;

// The program's name, picture and version on black. A click anywhere on it, or a mouse button
// released over the red bar, closes it. Shown with exec().
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 453;
  static constexpr int kClientHeight = 260;
  // The version the dialog names, whatever the build's own version number.
  static constexpr const char* kVersion = "1.1";

  explicit AboutDialog(QWidget* parent = nullptr);

  // A click on the dialog or any of its parts.
  void closeOnClick();
  // A mouse button released over the red bar.
  void closeOnRedBar();

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The part under a point of the dialog: one of its controls, or the dialog itself.
  QWidget* partAt(const QPoint& point);

  // The parts, by the names they have always had: Picture, ProgramName, RedBar, Description
  // and VersionLabel.
  QLabel* picture_ = nullptr;
  QLabel* programName_ = nullptr;
  QFrame* redBar_ = nullptr;
  QLabel* description_ = nullptr;
  QLabel* versionLabel_ = nullptr;
  // Where the mouse button went down; a click is a press and a release on the same part.
  QWidget* pressedPart_ = nullptr;
};

#include "app/dialogs/AboutDialog.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

#include "app/dialogs/WindowPlacement.h"

namespace {

const QColor kBackground(Qt::black);
const QColor kNameColour(Qt::white);
const QColor kBarColour(0xd0, 0x10, 0x10);
const QColor kVersionColour(0x3c, 0x78, 0xff);
const QColor kDescriptionColour(0xb0, 0xb0, 0xb0);

void Paint(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(role, colour);
  widget.setPalette(palette);
}

QLabel* TextLabel(QWidget* parent, const char* text, const QColor& colour, const QFont& font) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setFont(font);
  Paint(*label, QPalette::WindowText, colour);
  return label;
}

QFont NameFont() {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Serif"), QStringLiteral("serif")});
  font.setStyleHint(QFont::Serif);
  font.setPixelSize(48);
  font.setBold(true);
  font.setItalic(true);
  return font;
}

QFont BoldFont(int pixelSize) {
  QFont font;
  font.setPixelSize(pixelSize);
  font.setBold(true);
  return font;
}

QFont PlainFont(int pixelSize) {
  QFont font;
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Corvale..."));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  Paint(*this, QPalette::Window, kBackground);

  Picture = new QLabel(this);
  Picture->setPixmap(QPixmap(QStringLiteral(":/about/panel.png")));
  Picture->setGeometry(24, 29, 145, 201);

  // The texts share one column right of the picture.
  constexpr int kLeft = 196;
  constexpr int kWidth = kClientWidth - kLeft - 24;
  ProgramName = TextLabel(this, "Corvale", kNameColour, NameFont());
  ProgramName->setGeometry(kLeft, 44, kWidth, 64);
  RedBar = new QFrame(this);
  RedBar->setAutoFillBackground(true);
  Paint(*RedBar, QPalette::Window, kBarColour);
  RedBar->setGeometry(kLeft + 2, 112, kWidth - 2, 6);
  Description = TextLabel(this, "Bank editor and librarian\nfor the Yamaha S80", kDescriptionColour,
                          PlainFont(13));
  Description->setGeometry(kLeft + 2, 128, kWidth - 2, 40);
  VersionLabel = TextLabel(this, "", kVersionColour, BoldFont(14));
  VersionLabel->setText(QStringLiteral("Version ") + QString::fromUtf8(kVersion));
  VersionLabel->setGeometry(kLeft + 2, 196, kWidth - 2, 22);
}

void AboutDialog::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    pressedPart_ = nullptr;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      CentreOver(*this, screen->availableGeometry(), QApplication::activeWindow());
  }
  QDialog::showEvent(event);
}

QWidget* AboutDialog::PartAt(const QPoint& point) {
  QWidget* child = childAt(point);
  return child ? child : this;
}

// The labels and the bar leave mouse events to the dialog, in the dialog's coordinates.
void AboutDialog::mousePressEvent(QMouseEvent* event) {
  pressedPart_ = PartAt(event->position().toPoint());
  event->accept();
}

void AboutDialog::mouseReleaseEvent(QMouseEvent* event) {
  QWidget* part = PartAt(event->position().toPoint());
  QWidget* pressed = pressedPart_;
  pressedPart_ = nullptr;
  event->accept();
  if (part == RedBar)
    FormMouseDown();
  else if (part == pressed)
    FormClick();
}

void AboutDialog::FormClick() {
  accept();
}

void AboutDialog::FormMouseDown() {
  accept();
}

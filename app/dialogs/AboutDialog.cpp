#include "app/dialogs/AboutDialog.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <utility>

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

QLabel* TextLabel(QWidget* parent, const QString& text, const QColor& colour, const QFont& font) {
  auto* label = new QLabel(text, parent);
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
  setWindowTitle(tr("About Corvale..."));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  Paint(*this, QPalette::Window, kBackground);

  picture_ = new QLabel(this);
  picture_->setPixmap(QPixmap(QStringLiteral(":/about/panel.png")));
  picture_->setGeometry(24, 29, 145, 201);

  // The texts share one column right of the picture.
  constexpr int kLeft = 196;
  constexpr int kWidth = kClientWidth - kLeft - 24;
  programName_ = TextLabel(this, QStringLiteral("Corvale"), kNameColour, NameFont());
  programName_->setGeometry(kLeft, 44, kWidth, 64);
  redBar_ = new QFrame(this);
  redBar_->setAutoFillBackground(true);
  Paint(*redBar_, QPalette::Window, kBarColour);
  redBar_->setGeometry(kLeft + 2, 112, kWidth - 2, 6);
  description_ = TextLabel(this, tr("Bank editor and librarian\nfor the Yamaha S80"),
                           kDescriptionColour, PlainFont(13));
  description_->setGeometry(kLeft + 2, 128, kWidth - 2, 40);
  versionLabel_ = TextLabel(this, QString(), kVersionColour, BoldFont(14));
  versionLabel_->setText(tr("Version %1").arg(QString::fromUtf8(kVersion)));
  versionLabel_->setGeometry(kLeft + 2, 196, kWidth - 2, 22);

  setObjectName(QStringLiteral("AboutDialog"));
  const std::pair<QWidget*, const char*> names[] = {{picture_, "Picture"},
                                                    {programName_, "ProgramName"},
                                                    {redBar_, "RedBar"},
                                                    {description_, "Description"},
                                                    {versionLabel_, "VersionLabel"}};
  for (const auto& [part, name] : names)
    part->setObjectName(QString::fromUtf8(name));
}

void AboutDialog::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    pressedPart_ = nullptr;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      CentreOver(*this, screen->availableGeometry(), QApplication::activeWindow());
  }
  QDialog::showEvent(event);
}

QWidget* AboutDialog::partAt(const QPoint& point) {
  QWidget* child = childAt(point);
  return child ? child : this;
}

// The labels and the bar leave mouse events to the dialog, in the dialog's coordinates.
void AboutDialog::mousePressEvent(QMouseEvent* event) {
  pressedPart_ = partAt(event->position().toPoint());
  event->accept();
}

void AboutDialog::mouseReleaseEvent(QMouseEvent* event) {
  QWidget* part = partAt(event->position().toPoint());
  QWidget* pressed = pressedPart_;
  pressedPart_ = nullptr;
  event->accept();
  if (part == redBar_)
    closeOnRedBar();
  else if (part == pressed)
    closeOnClick();
}

void AboutDialog::closeOnClick() {
  accept();
}

void AboutDialog::closeOnRedBar() {
  accept();
}

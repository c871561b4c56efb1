#include "app/dialogs/WindowPlacement.h"

#include <QFontDatabase>
#include <QStringList>

#include "settings/SettingsStore.h"

QFontMetrics TitleBarMetrics() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  return QFontMetrics(font);
}

int WidthForTitle(const QString& title) {
  return TitleBarMetrics().horizontalAdvance(title) + kTitleBarButtons;
}

void KeepOnScreen(QWidget& window, const QWidget* framed) {
  QMargins margins = FrameMargins(window);
  if (margins.isNull() && framed)
    margins = FrameMargins(*framed);
  // pos() is where the frame's top left corner is; size() the inside of the frame.
  const QRect frame(window.pos(), window.size().grownBy(margins));
  const QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  if (!screen)
    return;
  const QRect available = screen->availableGeometry();
  const QSize inside = available.marginsRemoved(margins).size();
  window.resize(window.size().boundedTo(inside).expandedTo(window.minimumSize()));
  const QSize outside = window.size().grownBy(margins);
  window.move(std::clamp(frame.left(), available.left(),
                         std::max(available.left(), available.right() - outside.width() + 1)),
              std::clamp(frame.top(), available.top(),
                         std::max(available.top(), available.bottom() - outside.height() + 1)));
}

bool RestorePlacement(QWidget& window, const char* settingName, const QWidget* framed) {
  const QStringList numbers =
      QString::fromStdString(SettingsStore::ReadSettingString(settingName, ""))
          .split(u' ', Qt::SkipEmptyParts);
  if (numbers.size() != 4)
    return false;
  int values[4] = {};
  for (int i = 0; i < 4; ++i) {
    bool isNumber = false;
    values[i] = numbers[i].toInt(&isNumber);
    if (!isNumber)
      return false;
  }
  if (values[2] <= 0 || values[3] <= 0)
    return false;
  window.resize(values[2], values[3]);
  window.move(values[0], values[1]);
  KeepOnScreen(window, framed);
  return true;
}

void RememberPlacement(const QWidget& window, const char* settingName) {
  const QString placement = QStringLiteral("%1 %2 %3 %4")
                                .arg(window.pos().x())
                                .arg(window.pos().y())
                                .arg(window.width())
                                .arg(window.height());
  try {
    SettingsStore::WriteSettingString(settingName, placement.toStdString());
  } catch (const SettingsWriteError&) {
    // A window that closes has no place left to say so; the next run opens it as a new one.
  }
}

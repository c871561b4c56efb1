#pragma once

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>

// The window system's frame around a window's client area.
inline QMargins FrameMargins(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// Moves a window, frame included, so that its centre is the centre of `area`, as far as the
// screen lets it: a window over one at the screen's edge stays wholly on the screen. A window
// not shown yet has no frame; it is expected to get one like `framed`'s, when that is given.
inline void CentreOver(QWidget& window, const QRect& area, const QWidget* framed = nullptr) {
  QRect frame = window.frameGeometry();
  if (frame == window.geometry() && framed)
    frame = frame.marginsAdded(FrameMargins(*framed));
  frame.moveCenter(area.center());
  const QScreen* screen = QGuiApplication::screenAt(area.center());
  if (!screen)
    screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect available = screen->availableGeometry();
    frame.moveLeft(
        std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)));
    frame.moveTop(
        std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
  }
  window.move(frame.topLeft());
}

// Room a window manager takes beside a window's title for its buttons, roughly.
inline constexpr int kTitleBarButtons = 110;
// The widest a title's text may be drawn: window managers draw titles in their own font, often
// bold and larger than the program's; this is the system's title font (12 points where no
// desktop says otherwise), bold.
QFontMetrics TitleBarMetrics();
// The width a window needs for its frame to show `title` whole.
int WidthForTitle(const QString& title);

// Moves a window, frame included, wholly onto the available area of the screen its centre is on
// (the primary one where it is on none), made smaller where it is larger than that. A window
// not shown yet has no frame; it is expected to get one like `framed`'s, when that is given.
void KeepOnScreen(QWidget& window, const QWidget* framed = nullptr);
// Puts a window where the setting remembers it, kept on screen as above; false, and the window
// unchanged, when the setting holds no place.
bool RestorePlacement(QWidget& window, const char* settingName, const QWidget* framed = nullptr);
// Remembers where the window is and how large; a setting that cannot be written is passed over.
void RememberPlacement(const QWidget& window, const char* settingName);

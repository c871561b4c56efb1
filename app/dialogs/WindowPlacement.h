#pragma once

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

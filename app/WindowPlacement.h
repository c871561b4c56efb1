#pragma once

#include <QMargins>
#include <QRect>
#include <QWidget>

// The window system's frame around a window's client area.
inline QMargins FrameMargins(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// Moves a window, frame included, so that its centre is the centre of `area`. A window not
// shown yet has no frame; it is expected to get one like `framed`'s, when that is given.
inline void CentreOver(QWidget& window, const QRect& area, const QWidget* framed = nullptr) {
  QRect frame = window.frameGeometry();
  if (frame == window.geometry() && framed)
    frame = frame.marginsAdded(FrameMargins(*framed));
  frame.moveCenter(area.center());
  window.move(frame.topLeft());
}

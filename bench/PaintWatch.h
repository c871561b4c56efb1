#pragma once

#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

// Notes when the watched widget is first asked to paint, and ends the wait for it. (Its own
// loop: the application's quit would close the window.)
class PaintWatch : public QObject {
 public:
  using Clock = std::chrono::steady_clock;
  // Long enough for any machine; reached only when the widget is never painted.
  static constexpr int kTimeoutMs = 10000;

  std::optional<Clock::time_point> at;

  // Waits for the paint unless it came already; the time it came, none when it never did.
  std::optional<Clock::time_point> Wait() {
    if (!at) {
      QTimer::singleShot(kTimeoutMs, &wait_, &QEventLoop::quit);
      wait_.exec();
    }
    return at;
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !at) {
      at = Clock::now();
      QTimer::singleShot(0, &wait_, &QEventLoop::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QEventLoop wait_;
};

#include "app/list/BankTabBar.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "app/list/ProgramDragData.h"

BankTabBar::BankTabBar(QWidget* parent, TabItems tabItems)
    : QTabBar(parent), tabItems_(std::move(tabItems)) {
  setObjectName(QStringLiteral("TabControl1"));
  // Four tabs share the narrow window: each as wide as its caption, no scrolling.
  setUsesScrollButtons(false);
  setExpanding(false);
  setStyleSheet(QStringLiteral(
      "QTabBar::tab { padding: 3px 5px; margin-right: 1px; border: 1px solid palette(mid);"
      " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
      " background: palette(button); }"
      "QTabBar::tab:selected { background: palette(base); }"
      "QTabBar::tab:!selected { margin-top: 2px; }"));
  for (const char* tab : {QT_TR_NOOP("Instrument"), QT_TR_NOOP("Percussion"),
                          QT_TR_NOOP("Performance"), QT_TR_NOOP("Plugin")})
    addTab(tr(tab));
  setTabToolTip(ListedLines::PluginTab, tr("Always empty: an .s2a keeps the plug-in "
                                           "boards' voices as they came, unlisted"));
}

QDrag* BankTabBar::makeDrag(int tab) {
  auto* data = new QMimeData;
  data->setData(QLatin1String(ProgramDragData::kListMimeType),
                ProgramDragData::encodeList(tabItems_(tab)));
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  return drag;
}

void BankTabBar::mousePressEvent(QMouseEvent* event) {
  pressPoint_ = event->position().toPoint();
  pressedTab_ = event->button() == Qt::LeftButton ? tabAt(pressPoint_) : -1;
  QTabBar::mousePressEvent(event);
}

void BankTabBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint moved = event->position().toPoint() - pressPoint_;
  if (pressedTab_ < 0 || moved.manhattanLength() < ItemListView::kDragDistance) {
    QTabBar::mouseMoveEvent(event);
    return;
  }
  const int tab = pressedTab_;
  pressedTab_ = -1;
  makeDrag(tab)->exec(Qt::CopyAction, Qt::CopyAction);
}

void BankTabBar::mouseReleaseEvent(QMouseEvent* event) {
  pressedTab_ = -1;
  QTabBar::mouseReleaseEvent(event);
}

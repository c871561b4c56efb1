#include "app/list/BankTabBar.h"

BankTabBar::BankTabBar(QWidget* parent) : QTabBar(parent) {
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
  for (const char* tab : {"Instrument", "Percussion", "Performance", "Plugin"})
    addTab(QString::fromUtf8(tab));
}

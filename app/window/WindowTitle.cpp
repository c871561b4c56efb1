#include "app/window/WindowTitle.h"

#include <QFileInfo>
#include <algorithm>

#include "app/commands/CommandTexts.h"

QString WindowTitleFor(const QString& path, const QFontMetrics& metrics, int width) {
  // Room the window manager leaves for the text beside its buttons, roughly.
  constexpr int kTitleBarButtons = 110;
  const QString marker = QStringLiteral("[*]");
  const QString program = QString::fromUtf8(kProgramTitle);
  if (path.isEmpty())
    return program + marker;
  const QString lead = program + QStringLiteral(" - ");
  const QString name = QFileInfo(path).fileName();
  const QString folder = path.left(path.size() - name.size());
  const int room = width - kTitleBarButtons - metrics.horizontalAdvance(lead + name);
  QString shown = metrics.elidedText(folder, Qt::ElideMiddle, std::max(room, 0));
  if (!folder.isEmpty() && !shown.endsWith(u'/'))
    shown = QStringLiteral("…/");
  return lead + shown + name + marker;
}

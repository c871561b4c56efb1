#include "app/window/WindowTitle.h"

#include <QFileInfo>
#include <algorithm>

#include "app/commands/CommandTexts.h"
#include "app/dialogs/WindowPlacement.h"

namespace {

QString Lead() {
  return QString::fromUtf8(kProgramTitle) + QStringLiteral(" - ");
}

}  // namespace

int WidthForFileName(const QString& path) {
  return path.isEmpty()
             ? 0
             : WidthForTitle(Lead() + QStringLiteral("…/") + QFileInfo(path).fileName() + u'*');
}

QString WindowTitleFor(const QString& path, int width) {
  const QString marker = QStringLiteral("[*]");
  const QString program = QString::fromUtf8(kProgramTitle);
  if (path.isEmpty())
    return program + marker;
  const QString lead = Lead();
  const QString name = QFileInfo(path).fileName();
  const QString folder = path.left(path.size() - name.size());
  const QFontMetrics metrics = TitleBarMetrics();
  const int room = width - WidthForTitle(lead + name + u'*');
  QString shown = metrics.elidedText(folder, Qt::ElideMiddle, std::max(room, 0));
  if (!folder.isEmpty() && !shown.endsWith(u'/'))
    shown = QStringLiteral("…/");
  return lead + shown + name + marker;
}

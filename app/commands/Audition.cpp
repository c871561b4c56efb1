#include "app/commands/Audition.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QWidget>

#include "app/commands/ProgramMidi.h"
#include "app/dialogs/UserDialogs.h"
#include "midi/ports/AuditionSender.h"
#include "settings/SettingsStore.h"

Audition::Audition() {
  readSetting();
  ProgramMidi::setAuditionFailureHandler([this](const QString& error) { fail(error); });
}

void Audition::readSetting() {
  on_ = SettingsStore::ReadSettingInteger(Settings::kAudition, Settings::kDefaultAudition) != 0;
  emit switched(on_);
}

void Audition::setOn(bool on, QWidget* window) {
  if (on) {
    if (AuditionSender* sender = ProgramMidi::auditionSender())
      sender->Resume();
  }
  on_ = on;
  emit switched(on_);
  try {
    SettingsStore::WriteSettingInteger(Settings::kAudition, on ? 1 : 0);
  } catch (const SettingsWriteError& error) {
    userDialogs().showError(window, tr(kCaption), QString::fromUtf8(error.what()));
  }
}

QString Audition::play(const Item& item, const QString& shown) {
  AuditionSender* sender = ProgramMidi::auditionSender();
  if (!on_ || !sender)
    return {};
  sender->Choose(item);
  return tr("Auditioning %1").arg(shown);
}

QAction* Audition::makeAction(QWidget& window) {
  auto* action = new QAction(tr("&Audition"), &window);
  action->setObjectName(QString::fromUtf8(kCaption));
  action->setCheckable(true);
  action->setChecked(on_);
  const QString hint = tr("Audition: each program selected goes to the S80's edit buffer");
  action->setToolTip(hint);
  action->setStatusTip(hint);
  action->setIcon(QIcon::fromTheme(QStringLiteral("audio-volume-high"),
                                   QApplication::style()->standardIcon(QStyle::SP_MediaVolume)));
  connect(action, &QAction::triggered, this, [this, &window](bool on) { setOn(on, &window); });
  connect(this, &Audition::switched, action, &QAction::setChecked);
  return action;
}

void Audition::fail(const QString& error) {
  if (!on_)
    return;
  QWidget* window = QApplication::activeWindow();
  setOn(false, window);
  userDialogs().showError(window, tr(kCaption), tr("Audition is off: %1").arg(error));
}

Audition& sharedAudition() {
  static Audition audition;
  return audition;
}

#include "app/startup/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace {

// The program's .qm files, compiled from translations/ at build time.
constexpr const char* kProgramTranslations = ":/translations";

// The translator is the application's child, so that it lives as long as the texts it gives.
bool Install(QCoreApplication& application, const QLocale& locale, const QString& name,
             const QString& folder) {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
      !QCoreApplication::installTranslator(translator.get()))
    return false;
  translator.release()->setParent(&application);
  return true;
}

}  // namespace

int InstallTranslations(QCoreApplication& application, const QLocale& locale) {
  Install(application, locale, QStringLiteral("qtbase"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return Install(application, locale, QStringLiteral("corvale"),
                 QString::fromLatin1(kProgramTranslations))
             ? 0
             : -1;
}

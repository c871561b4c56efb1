#include "app/startup/CommandLine.h"

#include <QDir>
#include <string>

#include "app/commands/FileNameText.h"
#include "files/SmartFilename.h"

QStringList CommandLineNames(int argc, const char* const* argv) {
  QStringList names;
  for (int argument = 1; argument < argc; ++argument)
    names << DecodeFileName(argv[argument]);
  return names;
}

QStringList AbsoluteNames(const QStringList& names) {
  QStringList absolute;
  for (const QString& name : names) {
    const std::string resolved = SmartFilename::Resolve(EncodeFileName(name).toStdString());
    absolute << QDir::cleanPath(DecodeFileName(QByteArrayView(resolved.data(), resolved.size())));
  }
  return absolute;
}

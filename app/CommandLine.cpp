#include "app/CommandLine.h"

#include "files/SmartFilename.h"

QString CommandLineText(const QStringList& arguments) {
  QStringList quoted;
  for (const QString& argument : arguments) {
    const bool needsQuotes = argument.isEmpty() || argument.contains(u' ');
    quoted << (needsQuotes ? u'"' + argument + u'"' : argument);
  }
  return quoted.join(u' ');
}

QString TrimBlanks(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= u' ')
    ++first;
  while (last > first && text[last - 1].unicode() <= u' ')
    --last;
  return text.mid(first, last - first);
}

CommandLineSplit SplitFirstName(const QString& text) {
  if (text.startsWith(u'"')) {
    const qsizetype close = text.indexOf(u'"', 1);
    if (close < 0)
      return {text.mid(1), QString()};
    return {text.mid(1, close - 1), TrimBlanks(text.mid(close + 1))};
  }
  const qsizetype blank = text.indexOf(u' ');
  if (blank < 0)
    return {text, QString()};
  return {text.left(blank), TrimBlanks(text.mid(blank + 1))};
}

QString AbsoluteCommandLineText(const QString& text) {
  QStringList names;
  for (QString rest = TrimBlanks(text); !rest.isEmpty();) {
    const CommandLineSplit split = SplitFirstName(rest);
    rest = split.rest;
    names << QString::fromStdString(SmartFilename::Resolve(split.name.toStdString()));
  }
  return CommandLineText(names);
}

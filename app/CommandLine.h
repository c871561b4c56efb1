#pragma once

#include <QString>
#include <QStringList>

// The file names of a command line travel as one text (a name holding blanks in double quotes),
// the form a running program is also handed them in.
QString CommandLineText(const QStringList& arguments);

// The first name of a command-line text and the text after it, without the blanks and control
// characters around it: a name in double quotes runs to the closing quote (or the end), any
// other to the first blank.
struct CommandLineSplit {
  QString name;
  QString rest;
};
CommandLineSplit SplitFirstName(const QString& text);

// The text without the blanks and control characters at either end.
QString TrimBlanks(const QString& text);

// The same names, each resolved by the path rules (a relative one against the start-up
// directory), so that the text means the same files to a program started elsewhere.
QString AbsoluteCommandLineText(const QString& text);

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// A file name as the system holds it (bytes) and as the windows hold it (text). Unlike
// QFile::decodeName, a byte that is not part of UTF-8 comes back unchanged: it travels as one of
// the unpaired surrogates U+DC80 to U+DCFF.
QString DecodeFileName(QByteArrayView bytes);
QByteArray EncodeFileName(const QString& name);

// The file names a program was started with: its arguments after its own name, each exactly.
QStringList CommandLineNames(int argc, const char* const* argv);

// The same names, each resolved by the path rules (a relative one against the start-up
// directory) and without "." and ".." steps, so that they mean the same files to a program
// started elsewhere.
QStringList AbsoluteNames(const QStringList& names);

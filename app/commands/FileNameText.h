#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A file name as the system holds it (bytes) and as the windows hold it (text). Unlike
// QFile::decodeName, a byte that is not part of UTF-8 comes back unchanged: it travels as one of
// the unpaired surrogates U+DC80 to U+DCFF.
QString DecodeFileName(QByteArrayView bytes);
QByteArray EncodeFileName(const QString& name);

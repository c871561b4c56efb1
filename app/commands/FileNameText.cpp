#include "app/commands/FileNameText.h"

#include <algorithm>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

// How many bytes the UTF-8 sequence begun by `lead` has; 0 when no sequence begins with it.
qsizetype SequenceLength(unsigned char lead) {
  if (lead < 0x80)
    return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    return 2;
  if (lead >= 0xE0 && lead <= 0xEF)
    return 3;
  if (lead >= 0xF0 && lead <= 0xF4)
    return 4;
  return 0;
}

bool IsEscape(QStringView name, qsizetype at) {
  const char16_t unit = name[at].unicode();
  return unit >= kFirstEscape && unit <= kLastEscape &&
         (at == 0 || !name[at - 1].isHighSurrogate());
}

}  // namespace

QString DecodeFileName(QByteArrayView bytes) {
  QString name;
  for (qsizetype at = 0; at < bytes.size();) {
    const qsizetype length = SequenceLength(static_cast<unsigned char>(bytes[at]));
    const QByteArrayView sequence = bytes.sliced(at, std::min(length, bytes.size() - at));
    if (length > 0 && sequence.size() == length && sequence.isValidUtf8()) {
      name += QString::fromUtf8(sequence);
      at += length;
    } else {
      name += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at])));
      ++at;
    }
  }
  return name;
}

QByteArray EncodeFileName(const QString& name) {
  QByteArray bytes;
  qsizetype runStart = 0;
  for (qsizetype at = 0; at < name.size(); ++at) {
    if (!IsEscape(name, at))
      continue;
    bytes += QStringView(name).sliced(runStart, at - runStart).toUtf8();
    bytes += char(name[at].unicode() - kEscapeBase);
    runStart = at + 1;
  }
  return bytes + QStringView(name).sliced(runStart).toUtf8();
}

#pragma once

#include <QFontMetrics>
#include <QString>

// A document window's title for its file: "Corvale - <path>", the folder shortened in the
// middle where `width` is too narrow, never the file's own name; "Corvale" without a file. The
// "[*]" stands where the desktop marks unsaved changes.
QString WindowTitleFor(const QString& path, const QFontMetrics& metrics, int width);

#pragma once

#include <QString>

// A document window's title for its file: "Corvale - <path>", the folder shortened in the
// middle where a window `width` wide would not show it whole in the window manager's title font
// (TitleBarMetrics), never the file's own name; "Corvale" without a file. The "[*]" stands where
// the desktop marks unsaved changes, which the room left counts as shown.
QString WindowTitleFor(const QString& path, int width);
// The least width of a window whose title shows the file's own name whole, its folder left out.
int WidthForFileName(const QString& path);

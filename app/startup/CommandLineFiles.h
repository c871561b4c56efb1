#pragma once

#include <QStringList>

class EditorWindow;

// Opens each name of a command line (or of a start that handed its names over) in turn, from
// the last window of `window`'s chain on: into a window nothing was opened into, else into a
// new one. Returns the window they landed in, which also says when one could not be opened.
EditorWindow* OpenCommandLineFiles(EditorWindow& window, const QStringList& names);

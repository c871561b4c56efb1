#pragma once

#include <QStringList>

class EditorWindow;

// True for a name the library takes rather than a bank window: a single program (.s2i), or a
// .syx or .mid file whose dumps are for an edit buffer only (one that fills bank slots opens as
// a document).
bool IsLibraryName(const QString& name);

// Opens each name of a command line (or of a start that handed its names over) in turn, from
// the last window of `window`'s chain on: into a window nothing was opened into, else into a
// new one. Single programs are added to the library instead, as soon as the event loop runs,
// and the library window shows them. Returns the bank window they landed in, which also says
// when one could not be opened.
EditorWindow* OpenCommandLineFiles(EditorWindow& window, const QStringList& names);

#pragma once

#include <QStringList>

class QApplication;

// The program's start-up and run: the first start opens the file names it was given and runs
// until its first window closes; a later start hands them to the running program and ends once
// that has taken them, without a window. Returns the exit status.
int RunProgram(QApplication& application, const QStringList& fileNames);

#pragma once

class QApplication;

// The program's start-up and run: the first start opens its command line and runs until its
// first window closes; a later start hands the command line to the running program and ends at
// once, without a window. Returns the exit status.
int RunProgram(QApplication& application);

#pragma once

#include <QStringList>

// The file names a program was started with: its arguments after its own name, each exactly.
QStringList CommandLineNames(int argc, const char* const* argv);

// The same names, each resolved by the path rules (a relative one against the start-up
// directory) and without "." and ".." steps, so that they mean the same files to a program
// started elsewhere.
QStringList AbsoluteNames(const QStringList& names);

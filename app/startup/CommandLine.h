#pragma once

#include <QStringList>
#include <string>

// What a start asks for: --help or --version, given anywhere, answers on standard output and
// ends without a window (and without the toolkit); every other argument is a file name.
enum class StartRequest { kOpenFiles, kHelp, kVersion };
StartRequest RequestOf(int argc, const char* const* argv);
// The answers to --help and --version.
std::string HelpText();
std::string VersionText();

// The file names a program was started with: its arguments after its own name, each exactly.
QStringList CommandLineNames(int argc, const char* const* argv);

// The same names, each resolved by the path rules (a relative one against the start-up
// directory) and without "." and ".." steps, so that they mean the same files to a program
// started elsewhere.
QStringList AbsoluteNames(const QStringList& names);

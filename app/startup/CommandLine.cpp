#include "app/startup/CommandLine.h"

#include <QDir>
#include <cstring>
#include <string>

#include "app/commands/FileNameText.h"
#include "files/SmartFilename.h"

StartRequest RequestOf(int argc, const char* const* argv) {
  for (int argument = 1; argument < argc; ++argument) {
    if (std::strcmp(argv[argument], "--help") == 0)
      return StartRequest::kHelp;
    if (std::strcmp(argv[argument], "--version") == 0)
      return StartRequest::kVersion;
  }
  return StartRequest::kOpenFiles;
}

std::string HelpText() {
  return "Usage: corvale [FILE...]\n"
         "       corvale --help | --version\n"
         "\n"
         "The bank editor and librarian for the Yamaha S80. Opens each bank file named\n"
         "(.s2a, .s2v, .s2e, or the dumps of a .syx or .mid file) in a window of its own;\n"
         "single programs (.s2i, or dumps for an edit buffer) go to the library. Started\n"
         "while an editor runs, it hands the names to that editor and ends.\n"
         "\n"
         "Every argument but --help and --version is a file name, also one that starts\n"
         "with '-' (./--help names a file). Qt's own options, such as -platform NAME, are\n"
         "taken first.\n"
         "\n"
         "Environment:\n"
         "  CORVALE_SETTINGS        the settings file (default\n"
         "                          ~/.config/corvale/settings.conf)\n"
         "  CORVALE_LIBRARY         the library file (default\n"
         "                          $XDG_DATA_HOME/corvale/library.sqlite)\n"
         "  CORVALE_MIDI_SIMULATOR  1, or an .s2a file: adds the ports of a simulated S80\n"
         "\n"
         "The command-line tool is corvale-cli; see corvale(1) and corvale-cli(1).\n";
}

std::string VersionText() {
  return std::string("corvale ") + CORVALE_VERSION + "\n" + CORVALE_NOTICE;
}

QStringList CommandLineNames(int argc, const char* const* argv) {
  QStringList names;
  for (int argument = 1; argument < argc; ++argument)
    names << DecodeFileName(argv[argument]);
  return names;
}

QStringList AbsoluteNames(const QStringList& names) {
  QStringList absolute;
  for (const QString& name : names) {
    const std::string resolved = SmartFilename::Resolve(EncodeFileName(name).toStdString());
    absolute << QDir::cleanPath(DecodeFileName(QByteArrayView(resolved.data(), resolved.size())));
  }
  return absolute;
}

#pragma once

#include <QCoreApplication>
#include <QString>
#include <cstdint>
#include <span>

class QWidget;
struct ReceivedProgram;

// Programs received from the synthesizer join the library, as one addition behind its progress
// dialog (which shows only when the library keeps it waiting).
class ReceivedToLibrary {
  Q_DECLARE_TR_FUNCTIONS(ReceivedToLibrary)

 public:
  struct Outcome {
    bool kept = false;
    // "3 new programs in the library, 449 already there", or why nothing was kept.
    QString text;
  };

  // Whether the settings let received programs join the library.
  static bool wanted();
  // Adds them (to the end of `collectionId` too, as LibraryAddition::AddReceived takes it).
  static Outcome keep(QWidget* parent, std::span<const ReceivedProgram> programs,
                      std::int64_t collectionId = 0);
};

#pragma once

#include <QCoreApplication>
#include <functional>
#include <vector>

#include "midi/ports/BankTransfer.h"
#include "midi/ports/MidiTransfer.h"

class DocumentView;
class Item;
class MidiControl;
class QString;
struct BankLayout;

// The Midi menu's commands: the item of the selected line to and from the synthesizer, and
// whole banks. They block the window; each step's text is shown as the step begins.
class MidiCommands {
  Q_DECLARE_TR_FUNCTIONS(MidiCommands)

 public:
  explicit MidiCommands(DocumentView& view) : view_(view) {}

  void send();
  void receive();
  void sendToBuffer();
  void receiveFromBuffer();
  void receiveBank();
  void receiveAllBanks();
  void sendBank();
  void sendAllBanks();

 private:
  using SendSequence = int (*)(MidiControl&, const Item&, const std::function<void(const char*)>&,
                               MidiTransfer::SendReport*);
  using ReceiveSequence = int (*)(MidiControl&, Item&, const std::function<void(const char*)>&,
                                  MidiTransfer::ReceiveReport*);
  void sendCurrentItem(SendSequence send);
  void receiveCurrentItem(ReceiveSequence receive, const char* what);
  // Whether the port a transfer needs is there; when it is not, that is said once, rather than
  // for each of the transfer's messages.
  bool hasPortFor(const MidiControl& control, bool receiving);

  // Whole banks: the bank of the selected line, or all six.
  std::vector<const BankLayout*> bankOfCurrentLine() const;
  static std::vector<const BankLayout*> allBanks();
  void transferBanks(BankTransfer::Direction direction, const std::vector<const BankLayout*>& banks,
                     const char* title);
  // Takes what arrived into the document, and into the library: what keepReceived said.
  QString takeReceivedItems(const BankTransfer::Summary& summary,
                            const std::vector<BankTransfer::Slot>& places, const char* title);
  // Before the synthesizer's memory is overwritten: whether the user agrees.
  bool confirmReplacing(const std::vector<const BankLayout*>& banks, const char* title);
  void showTransferSummary(const BankTransfer::Summary& summary, BankTransfer::Direction direction,
                           const QString& title);

  DocumentView& view_;
};

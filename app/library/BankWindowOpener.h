#pragma once

class DocumentWindow;

// What the library window needs of the bank windows, which it cannot reach itself: the one in
// front, and a new one.
class BankWindowOpener {
 public:
  virtual ~BankWindowOpener() = default;

  // The bank window last in front; none when there is none.
  virtual DocumentWindow* frontBankWindow() = 0;
  // A new untitled bank window at the end of the chain, shown.
  virtual DocumentWindow& openUntitledBankWindow() = 0;
};

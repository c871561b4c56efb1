#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class Item;
class S2A_File;
struct BankLayout;

// What each line of a window's list shows: the bank of the item and its position there, as the
// list was last filled, and for which tab.
class ListedLines {
 public:
  enum Tab { InstrumentTab, PercussionTab, PerformanceTab, PluginTab };

  // The lines of a tab's items that pass the filter (a name or category holding its text, in
  // any case): "INT:005(A05)  Pf:Grand Pno"; their places are remembered.
  QStringList collect(S2A_File* document, int tab, const QString& filter);
  int tab() const { return tab_; }
  // The items of a tab that pass the filter, in the list's order.
  static std::vector<const Item*> itemsOfTab(S2A_File& document, int tab, const QString& filter);

  // The bank a line lists, and the line's position in it; none below the last line.
  const BankLayout* bankOfLine(S2A_File* document, int line, int* position = nullptr) const;
  Item* itemAtLine(S2A_File* document, int line) const;
  // The line that shows the item at `position` of `layout`; -1 when none does.
  int lineOf(const BankLayout* layout, int position) const;

 private:
  struct Place {
    const BankLayout* layout;
    int position;
    bool operator==(const Place&) const = default;
  };
  std::vector<Place> places_;
  int tab_ = -1;
};

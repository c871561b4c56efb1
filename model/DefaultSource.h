#pragma once

#include <memory>
#include <mutex>

class Item;
class S2A_File;

// Where the shared defaults come from. The model reads no files: whoever reads the default
// files hands a source in (the file layer's DefaultFiles, at the start of a program, through
// SharedDefaults::Use).
class DefaultSource {
 public:
  virtual ~DefaultSource() = default;
  // Fills `item`, all zeros and of its kind, from the kind's default; leaves it as it is when
  // there is none.
  virtual void FillItem(Item& item) = 0;
  // Fills `set` from the default set; false when there is none and it stays as it is.
  virtual bool FillSet(S2A_File& set) = 0;
  // Drops whatever the source remembered, so that the next fill reads afresh.
  virtual void Forget() {}

  // The lock every shared default is made, filled and dropped under, from any thread (the
  // library's additions read files on a thread of their own). One lock for all of them: filling
  // one default makes items and sets that ask for the others, so the thread that holds it takes
  // it again.
  static std::unique_lock<std::recursive_mutex> Hold();
  // The source in use; none while no program has handed one in (every default all zeros). Read
  // and replaced under Hold.
  static DefaultSource* Current();
  static void Replace(std::unique_ptr<DefaultSource> source);
};

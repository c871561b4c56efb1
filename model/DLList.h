#pragma once

#include <memory>
#include <utility>

// Link part of every list node. A chain is reached through its first node, which owns the rest
// of the chain through the forward links; the backward links only observe.
class DLListCore {
 public:
  DLListCore() = default;
  DLListCore(const DLListCore&) = delete;
  DLListCore& operator=(const DLListCore&) = delete;
  virtual ~DLListCore();

  DLListCore* Next() const { return next_.get(); }
  DLListCore* Previous() const { return previous_; }

  // Cuts the chain after this node and hands the rest (or none) to the caller.
  std::unique_ptr<DLListCore> DetachNext();

 private:
  friend DLListCore* InsertAfter(DLListCore& node, std::unique_ptr<DLListCore> chain);
  friend DLListCore* InsertBefore(std::unique_ptr<DLListCore>& owner,
                                  std::unique_ptr<DLListCore> chain);

  std::unique_ptr<DLListCore> next_;
  DLListCore* previous_ = nullptr;
};

// The last node of the chain that starts at `node`.
DLListCore* LastNode(DLListCore* node);

// Splices the whole chain in directly after `node`; returns the chain's last node, or `node`
// itself when the chain is none.
DLListCore* InsertAfter(DLListCore& node, std::unique_ptr<DLListCore> chain);

// Splices the whole chain in directly before the node held by `owner` (the link or list head
// that owns it); returns the chain's first node, or the node itself when the chain is none.
DLListCore* InsertBefore(std::unique_ptr<DLListCore>& owner, std::unique_ptr<DLListCore> chain);

// Typed access to a chain of nodes of one class.
template <class Node>
class DLListNode : public DLListCore {
 public:
  Node* NextNode() const { return static_cast<Node*>(Next()); }
  Node* PreviousNode() const { return static_cast<Node*>(Previous()); }
};

// A node pointing to a T that it does not own.
template <class T>
class RDLList : public DLListNode<RDLList<T>> {
 public:
  explicit RDLList(T* element) : element_(element) {}
  T* Element() const { return element_; }

 private:
  T* element_;
};

// A node that owns its T and destroys it with itself.
template <class T>
class DLLInstList : public RDLList<T> {
 public:
  explicit DLLInstList(std::unique_ptr<T> element)
      : RDLList<T>(element.get()), owned_(std::move(element)) {}
  DLLInstList* NextNode() const { return static_cast<DLLInstList*>(this->Next()); }
  DLLInstList* PreviousNode() const { return static_cast<DLLInstList*>(this->Previous()); }

 private:
  std::unique_ptr<T> owned_;
};

// The bank list of a document: nodes pointing to banks they do not own.
template <class T>
using PDLList = RDLList<T>;

// A node holding its T by value (the pages of a received-data image).
template <class T>
class DLList : public DLListNode<DLList<T>> {
 public:
  template <class... Args>
  explicit DLList(Args&&... args) : value_(std::forward<Args>(args)...) {}
  T& Value() { return value_; }
  const T& Value() const { return value_; }

 private:
  T value_;
};

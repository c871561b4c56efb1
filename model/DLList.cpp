#include "model/DLList.h"

DLListCore::~DLListCore() {
  // Release the rest of the chain one node at a time, so that long chains never recurse.
  while (next_)
    next_ = std::move(next_->next_);
}

std::unique_ptr<DLListCore> DLListCore::DetachNext() {
  if (next_)
    next_->previous_ = nullptr;
  return std::move(next_);
}

DLListCore* LastNode(DLListCore* node) {
  if (node == nullptr)
    return nullptr;
  while (node->Next() != nullptr)
    node = node->Next();
  return node;
}

DLListCore* InsertAfter(DLListCore& node, std::unique_ptr<DLListCore> chain) {
  if (!chain)
    return &node;
  DLListCore* last = LastNode(chain.get());
  last->next_ = std::move(node.next_);
  if (last->next_)
    last->next_->previous_ = last;
  chain->previous_ = &node;
  node.next_ = std::move(chain);
  return last;
}

DLListCore* InsertBefore(std::unique_ptr<DLListCore>& owner, std::unique_ptr<DLListCore> chain) {
  DLListCore* node = owner.get();
  if (!chain)
    return node;
  if (node == nullptr) {
    owner = std::move(chain);
    return owner.get();
  }
  DLListCore* last = LastNode(chain.get());
  chain->previous_ = node->previous_;
  node->previous_ = last;
  last->next_ = std::move(owner);
  owner = std::move(chain);
  return owner.get();
}

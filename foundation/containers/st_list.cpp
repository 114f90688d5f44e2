#include "foundation/containers/st_list.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "foundation/containers/st_exception.h"

namespace vx {

TStWalkStart nth_walk_start(std::int32_t index, std::int32_t count, std::int32_t remembered_index) {
  const std::int32_t from_head = index;
  const std::int32_t from_tail = count - 1 - index;
  if (remembered_index >= 0 && std::abs(index - remembered_index) <= std::min(from_head, from_tail)) {
    return TStWalkStart::remembered;
  }
  return from_head <= from_tail ? TStWalkStart::head : TStWalkStart::tail;
}

TStList::~TStList() { clear(); }

void TStList::forget_last_index() noexcept {
  last_index_ = -1;
  last_node_ = nullptr;
}

TStListNode* TStList::append(void* data) {
  Lock lock(mutex());
  auto* node = new TStListNode(data);
  node->owner_ = this;
  node->previous_ = tail_;
  if (tail_ != nullptr) {
    tail_->next_ = node;
  } else {
    head_ = node;
  }
  tail_ = node;
  ++count_;
  return node;
}

TStListNode* TStList::insert(void* data) {
  Lock lock(mutex());
  auto* node = new TStListNode(data);
  node->owner_ = this;
  node->next_ = head_;
  if (head_ != nullptr) {
    head_->previous_ = node;
  } else {
    tail_ = node;
  }
  head_ = node;
  ++count_;
  forget_last_index();
  return node;
}

void TStList::delete_node(TStNode* node) {
  Lock lock(mutex());
  if (node == nullptr || count_ == 0) {
    return;
  }
  auto* list_node = dynamic_cast<TStListNode*>(node);
  if (list_node == nullptr || list_node->owner_ != this) {
    throw EStContainerError(st_bad_node_class);
  }
  std::unique_ptr<TStListNode> owned(list_node);
  if (owned->previous_ != nullptr) {
    owned->previous_->next_ = owned->next_;
  } else {
    head_ = owned->next_;
  }
  if (owned->next_ != nullptr) {
    owned->next_->previous_ = owned->previous_;
  } else {
    tail_ = owned->previous_;
  }
  --count_;
  forget_last_index();
  dispose_data(owned->data);
}

TStListNode* TStList::nth(std::int32_t index) {
  Lock lock(mutex());
  if (index < 0 || index >= count_) {
    return nullptr;
  }
  TStListNode* node = head_;
  std::int32_t at = 0;
  switch (nth_walk_start(index, count_, last_index_)) {
    case TStWalkStart::head:
      break;
    case TStWalkStart::tail:
      node = tail_;
      at = count_ - 1;
      break;
    case TStWalkStart::remembered:
      node = last_node_;
      at = last_index_;
      break;
  }
  for (; at < index; ++at) {
    node = node->next_;
  }
  for (; at > index; --at) {
    node = node->previous_;
  }
  last_index_ = index;
  last_node_ = node;
  return node;
}

void TStList::iterate(TIterateFunc routine, void* extra) {
  Lock lock(mutex());
  for (TStListNode* node = head_; node != nullptr;) {
    // Taken first, so that the routine may delete the node it is given.
    TStListNode* next = node->next_;
    if (!routine(*this, node->data, extra)) {
      return;
    }
    node = next;
  }
}

void TStList::clear() {
  Lock lock(mutex());
  forget_last_index();
  while (head_ != nullptr) {
    std::unique_ptr<TStListNode> node(head_);
    head_ = node->next_;
    if (head_ != nullptr) {
      head_->previous_ = nullptr;
    } else {
      tail_ = nullptr;
    }
    --count_;
    dispose_data(node->data);
  }
}

void TStList::assign(const TStList& source) {
  if (&source == this) {
    return;
  }
  std::scoped_lock lock(mutex(), source.mutex());
  clear();
  for (const TStListNode* node = source.head_; node != nullptr; node = node->next_) {
    append(node->data);
  }
}

}  // namespace vx

#include "foundation/containers/st_dque.h"

#include <mutex>

namespace vx {

void TStDQue::push_head(void* data) { insert(data); }

void* TStDQue::peek_head() const {
  Lock lock(mutex());
  return head_ != nullptr ? head_->data : nullptr;
}

void TStDQue::pop_head() {
  Lock lock(mutex());
  delete_node(head_);
}

}  // namespace vx

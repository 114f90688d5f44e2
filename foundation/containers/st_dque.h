#pragma once

#include "foundation/containers/st_list.h"

namespace vx {

// A list used as a stack whose top is the head.
class TStDQue : public TStList {
 public:
  void push_head(void* data);
  // The head's data, or nullptr when empty.
  void* peek_head() const;
  // Deletes the head node, its data disposed; nothing when empty.
  void pop_head();
};

}  // namespace vx

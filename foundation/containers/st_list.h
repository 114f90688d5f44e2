#pragma once

#include <cstdint>

#include "foundation/containers/st_container.h"

namespace vx {

class TStList;

// A node of a doubly linked list; it belongs to the list that made it.
class TStListNode : public TStNode {
 public:
  using TStNode::TStNode;

 private:
  friend class TStList;
  TStListNode* next_ = nullptr;
  TStListNode* previous_ = nullptr;
  const TStList* owner_ = nullptr;
};

// Where an index walk starts: the nearest of head, tail and the node of
// the index looked up last (-1 when there is none).
enum class TStWalkStart { head, tail, remembered };
TStWalkStart nth_walk_start(std::int32_t index, std::int32_t count, std::int32_t remembered_index);

// A doubly linked list of data pointers.
class TStList : public TStContainer {
 public:
  // Stops the iteration when it returns false.
  using TIterateFunc = bool (*)(TStList& list, void* data, void* extra);

  TStList() = default;
  ~TStList() override;

  TStListNode* append(void* data);
  TStListNode* insert(void* data);
  // Nothing for no node or an empty list; error 52 for a node this list
  // did not make. The node's data is disposed.
  void delete_node(TStNode* node);
  // The node at 0-based index, or nullptr outside 0 to count - 1.
  TStListNode* nth(std::int32_t index);
  void iterate(TIterateFunc routine, void* extra);

  void clear() override;
  // Appends every data pointer of the other list in its order, after clear.
  void assign(const TStList& source);

 protected:
  TStListNode* head_ = nullptr;

 private:
  void forget_last_index() noexcept;

  TStListNode* tail_ = nullptr;
  std::int32_t last_index_ = -1;
  TStListNode* last_node_ = nullptr;
};

}  // namespace vx

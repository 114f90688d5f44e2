#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace vx::serial {

class TApdBaseDispatcher;

// Every live dispatcher by its list index, so that a receiver of an event
// message can find the dispatcher from the index the message carries.
struct DispatcherListState {
  std::mutex DispatcherListLock;
  std::vector<TApdBaseDispatcher*> DispatcherList;
  // The last lookup: index -1 and no dispatcher when empty.
  std::int32_t CachedIndex = -1;
  TApdBaseDispatcher* CachedDispatcher = nullptr;
};

DispatcherListState& dispatcher_list();
// Takes the first empty entry, or appends; returns its index.
std::int32_t register_dispatcher(TApdBaseDispatcher* dispatcher);
// Empties the entry, drops empty entries at the end and forgets a cached lookup of it.
void unregister_dispatcher(std::int32_t index, const TApdBaseDispatcher* dispatcher);
// The dispatcher at the index; none for an index beyond the list or an empty entry.
TApdBaseDispatcher* dispatcher_at(std::int32_t index);
void reset_dispatcher_list();

}  // namespace vx::serial

#include "interface/serial/dispatcher_list.h"

#include <algorithm>

namespace vx::serial {
namespace {

DispatcherListState list_state;

}  // namespace

DispatcherListState& dispatcher_list() { return list_state; }

std::int32_t register_dispatcher(TApdBaseDispatcher* dispatcher) {
  std::lock_guard lock(list_state.DispatcherListLock);
  std::vector<TApdBaseDispatcher*>& list = list_state.DispatcherList;
  const auto empty = std::find(list.begin(), list.end(), nullptr);
  if (empty != list.end()) {
    *empty = dispatcher;
    return static_cast<std::int32_t>(empty - list.begin());
  }
  list.push_back(dispatcher);
  return static_cast<std::int32_t>(list.size() - 1);
}

void unregister_dispatcher(std::int32_t index, const TApdBaseDispatcher* dispatcher) {
  std::lock_guard lock(list_state.DispatcherListLock);
  std::vector<TApdBaseDispatcher*>& list = list_state.DispatcherList;
  if (index >= 0 && static_cast<std::size_t>(index) < list.size() && list[index] == dispatcher) list[index] = nullptr;
  while (!list.empty() && list.back() == nullptr) list.pop_back();
  if (list_state.CachedDispatcher == dispatcher) {
    list_state.CachedIndex = -1;
    list_state.CachedDispatcher = nullptr;
  }
}

TApdBaseDispatcher* dispatcher_at(std::int32_t index) {
  std::lock_guard lock(list_state.DispatcherListLock);
  if (index == list_state.CachedIndex && list_state.CachedDispatcher != nullptr) return list_state.CachedDispatcher;
  const std::vector<TApdBaseDispatcher*>& list = list_state.DispatcherList;
  if (index < 0 || static_cast<std::size_t>(index) >= list.size() || list[index] == nullptr) return nullptr;
  list_state.CachedIndex = index;
  list_state.CachedDispatcher = list[index];
  return list[index];
}

void reset_dispatcher_list() {
  std::lock_guard lock(list_state.DispatcherListLock);
  list_state.DispatcherList.clear();
  list_state.CachedIndex = -1;
  list_state.CachedDispatcher = nullptr;
}

}  // namespace vx::serial

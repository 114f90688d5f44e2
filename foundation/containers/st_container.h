#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>

namespace vx {

class TStContainer;

// A container's node: it carries one data pointer that the container's
// owner gives meaning to.
class TStNode {
 public:
  explicit TStNode(void* node_data) noexcept : data(node_data) {}
  virtual ~TStNode() = default;
  TStNode(const TStNode&) = delete;
  TStNode& operator=(const TStNode&) = delete;

  void* data;
};

// What every container shares: a node count, a recursive lock that every
// public operation holds, and the hooks that give the data pointers meaning.
// Each hook is an event (takes precedence) or a routine. A container clears
// itself when destroyed; a subclass whose hooks use its own members clears
// in its own destructor, while those members still live.
class TStContainer {
 public:
  using TCompareFunc = int (*)(const void* data1, const void* data2);
  using TCompareEvent = std::function<int(TStContainer& sender, const void* data1, const void* data2)>;
  using TDisposeDataProc = void (*)(void* data);
  using TDisposeDataEvent = std::function<void(TStContainer& sender, void* data)>;
  using TLoadDataFunc = void* (*)(std::istream& reader);
  using TLoadDataEvent = std::function<void*(TStContainer& sender, std::istream& reader)>;
  using TStoreDataProc = void (*)(std::ostream& writer, void* data);
  using TStoreDataEvent = std::function<void(TStContainer& sender, std::ostream& writer, void* data)>;

  virtual ~TStContainer() = default;
  TStContainer(const TStContainer&) = delete;
  TStContainer& operator=(const TStContainer&) = delete;

  std::int32_t count() const;

  void set_compare(TCompareFunc routine);
  void set_on_compare(TCompareEvent event);
  // Called for a node's data whenever a node is deleted or the container cleared.
  void set_dispose_data(TDisposeDataProc routine);
  void set_on_dispose_data(TDisposeDataEvent event);
  void set_load_data(TLoadDataFunc routine);
  void set_on_load_data(TLoadDataEvent event);
  void set_store_data(TStoreDataProc routine);
  void set_on_store_data(TStoreDataEvent event);

  // Error 51 without a compare hook.
  int compare_data(const void* data1, const void* data2);
  // Does nothing without a dispose hook.
  void dispose_data(void* data);
  // Error 60 without a load hook.
  void* load_data(std::istream& reader);
  // Error 59 without a store hook.
  void store_data(std::ostream& writer, void* data);

  virtual void clear() = 0;

 protected:
  TStContainer() = default;

  using Lock = std::lock_guard<std::recursive_mutex>;
  std::recursive_mutex& mutex() const { return mutex_; }

  std::int32_t count_ = 0;

 private:
  mutable std::recursive_mutex mutex_;
  TCompareFunc compare_ = nullptr;
  TCompareEvent on_compare_;
  TDisposeDataProc dispose_data_ = nullptr;
  TDisposeDataEvent on_dispose_data_;
  TLoadDataFunc load_data_ = nullptr;
  TLoadDataEvent on_load_data_;
  TStoreDataProc store_data_ = nullptr;
  TStoreDataEvent on_store_data_;
};

}  // namespace vx

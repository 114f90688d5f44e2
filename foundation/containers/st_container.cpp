#include "foundation/containers/st_container.h"

#include <utility>

#include "foundation/containers/st_exception.h"

namespace vx {

std::int32_t TStContainer::count() const {
  Lock lock(mutex_);
  return count_;
}

void TStContainer::set_compare(TCompareFunc routine) {
  Lock lock(mutex_);
  compare_ = routine;
}

void TStContainer::set_on_compare(TCompareEvent event) {
  Lock lock(mutex_);
  on_compare_ = std::move(event);
}

void TStContainer::set_dispose_data(TDisposeDataProc routine) {
  Lock lock(mutex_);
  dispose_data_ = routine;
}

void TStContainer::set_on_dispose_data(TDisposeDataEvent event) {
  Lock lock(mutex_);
  on_dispose_data_ = std::move(event);
}

void TStContainer::set_load_data(TLoadDataFunc routine) {
  Lock lock(mutex_);
  load_data_ = routine;
}

void TStContainer::set_on_load_data(TLoadDataEvent event) {
  Lock lock(mutex_);
  on_load_data_ = std::move(event);
}

void TStContainer::set_store_data(TStoreDataProc routine) {
  Lock lock(mutex_);
  store_data_ = routine;
}

void TStContainer::set_on_store_data(TStoreDataEvent event) {
  Lock lock(mutex_);
  on_store_data_ = std::move(event);
}

int TStContainer::compare_data(const void* data1, const void* data2) {
  Lock lock(mutex_);
  if (on_compare_) {
    return on_compare_(*this, data1, data2);
  }
  if (compare_ != nullptr) {
    return compare_(data1, data2);
  }
  throw EStContainerError(st_no_compare);
}

void TStContainer::dispose_data(void* data) {
  Lock lock(mutex_);
  if (on_dispose_data_) {
    on_dispose_data_(*this, data);
  } else if (dispose_data_ != nullptr) {
    dispose_data_(data);
  }
}

void* TStContainer::load_data(std::istream& reader) {
  Lock lock(mutex_);
  if (on_load_data_) {
    return on_load_data_(*this, reader);
  }
  if (load_data_ != nullptr) {
    return load_data_(reader);
  }
  throw EStContainerError(st_no_load_data);
}

void TStContainer::store_data(std::ostream& writer, void* data) {
  Lock lock(mutex_);
  if (on_store_data_) {
    on_store_data_(*this, writer, data);
  } else if (store_data_ != nullptr) {
    store_data_(writer, data);
  } else {
    throw EStContainerError(st_no_store_data);
  }
}

}  // namespace vx

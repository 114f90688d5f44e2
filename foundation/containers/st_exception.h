#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vx {

// An error with the number it is known by.
class EStException : public std::runtime_error {
 public:
  EStException(const std::string& message, std::int32_t error_code);
  std::int32_t error_code() const noexcept { return error_code_; }

 private:
  std::int32_t error_code_;
};

// The message numbers the containers raise.
enum StContainerErrorNumber : std::int32_t {
  st_no_compare = 51,
  st_bad_node_class = 52,
  st_bad_size = 53,
  st_duplicate_node = 54,
  st_no_store_data = 59,
  st_no_load_data = 60,
};

// A container error: its message is the message-table text of its number.
class EStContainerError : public EStException {
 public:
  explicit EStContainerError(std::int32_t message_number);
};

}  // namespace vx

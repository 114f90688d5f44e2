#pragma once

#include <memory>

#include "platform/ws/form.h"
#include "platform/ws/lists.h"

namespace vx::programmer {

// The lines of the last algorithm file chosen; filled by CM, never shown by this program.
class TAlgorithm_Source_window final : public ws::Form {
 public:
  TAlgorithm_Source_window();
  ws::ListBox& ListBox1() { return *list_; }

 private:
  std::unique_ptr<ws::ListBox> list_;
};

}  // namespace vx::programmer

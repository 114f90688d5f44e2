#include "programmer/algorithm_source_window.h"

namespace vx::programmer {

TAlgorithm_Source_window::TAlgorithm_Source_window() : list_(std::make_unique<ws::ListBox>(this)) {
  hide();
  list_->set_align(ws::Align::client);
}

}  // namespace vx::programmer

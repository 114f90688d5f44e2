#pragma once

#include "foundation/short_text.h"

// The endings of one update attempt, which the engine runs for every kind of
// update: at most one ending per attempt, however many steps fail.
namespace vx::fwupdate {

class UpdateEnding {
 public:
  virtual ~UpdateEnding() = default;
  // A blank line, "All steps completed successfully." and the success ending; true.
  virtual bool complete() = 0;
  // Shows the line, then the failure ending; false.
  virtual bool fail(const ShortText& line) = 0;
  // The failure ending, unless the attempt has already ended.
  virtual void end_failure_once() = 0;
};

}  // namespace vx::fwupdate

#pragma once

#include <string>
#include <vector>

#include "platform/ws/window.h"

namespace vx::ws {

// Lines of text to read; the program's memos take no typing.
class Memo : public Window {
 public:
  explicit Memo(Window* parent);

  const std::vector<std::string>& lines() const { return lines_; }
  void set_lines(const std::vector<std::string>& lines);

  // Text is the lines joined by CR LF; set_text splits at line ends.
  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;

 private:
  std::vector<std::string> lines_;
};

}  // namespace vx::ws

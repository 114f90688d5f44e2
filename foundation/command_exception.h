#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vx {

// Ends a script ("Halting Script...") or the program ("Exiting Application...");
// handlers tell the two apart by the message.
class CommandException : public std::exception {
 public:
  static constexpr const char* halting_script = "Halting Script...";
  static constexpr const char* exiting_application = "Exiting Application...";

  explicit CommandException(std::string message = {}) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  bool ends_program() const { return message_ == exiting_application; }

 private:
  std::string message_;
};

}  // namespace vx

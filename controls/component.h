#pragma once

#include <string>
#include <vector>

#include "platform/ws/form.h"

namespace vx::controls {

// A non-visual part of a form: it has a name, belongs to a form (or to no
// one) and is found among that form's components.
class TOvcComponent {
 public:
  explicit TOvcComponent(ws::Form* owner);
  virtual ~TOvcComponent();
  TOvcComponent(const TOvcComponent&) = delete;
  TOvcComponent& operator=(const TOvcComponent&) = delete;

  // The owning form; nullptr for none, or once the form is gone.
  ws::Form* Owner() const;

  std::string Name;

 private:
  ws::WindowHandle owner_;
};

// The form's components in the order they were made.
std::vector<TOvcComponent*> ComponentsOf(const ws::Form& form);

}  // namespace vx::controls

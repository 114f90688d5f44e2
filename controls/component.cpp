#include "controls/component.h"

#include <algorithm>

namespace vx::controls {
namespace {

// Every live component; the window system's main thread is the only user.
std::vector<TOvcComponent*>& components() {
  static std::vector<TOvcComponent*> all;
  return all;
}

}  // namespace

TOvcComponent::TOvcComponent(ws::Form* owner) : owner_(owner != nullptr ? owner->handle() : ws::no_window) {
  components().push_back(this);
}

TOvcComponent::~TOvcComponent() { std::erase(components(), this); }

ws::Form* TOvcComponent::Owner() const { return dynamic_cast<ws::Form*>(ws::find_window(owner_)); }

std::vector<TOvcComponent*> ComponentsOf(const ws::Form& form) {
  std::vector<TOvcComponent*> owned;
  for (TOvcComponent* component : components()) {
    if (component->Owner() == &form) owned.push_back(component);
  }
  return owned;
}

}  // namespace vx::controls

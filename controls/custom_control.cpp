#include "controls/custom_control.h"

#include "controls/control_messages.h"
#include "controls/exceptions.h"
#include "controls/helpers.h"
#include "controls/messages.h"
#include "platform/ws/application.h"
#include "platform/ws/form.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

void collect_names(ws::Window& window, std::vector<std::string>& names) {
  for (ws::Window* child : window.children()) {
    if (const auto* control = dynamic_cast<const TOvcCustomControl*>(child)) names.push_back(control->Name);
    if (const auto* label = dynamic_cast<const TOvcAttachedLabel*>(child)) names.push_back(label->Name);
    collect_names(*child, names);
  }
}

// The first form above the window, else the top of its chain.
ws::Window& parent_form(ws::Window& window) {
  ws::Form* form = window.form();
  return form != nullptr ? *form : window.top_level();
}

}  // namespace

std::vector<std::string> ComponentNamesOf(ws::Window& form) {
  std::vector<std::string> names;
  if (auto* owner = dynamic_cast<ws::Form*>(&form)) {
    for (const TOvcComponent* component : ComponentsOf(*owner)) names.push_back(component->Name);
  }
  collect_names(form, names);
  return names;
}

TOvcCustomControl::TOvcCustomControl(ws::Window* parent) : ws::Window(parent) {
  LabelInfo.OnVisibleChange = [this] { LabelVisibleChanged(); };
  LabelInfo.OnOffsetChange = [this] { PositionLabel(); };
}

TOvcCustomControl::~TOvcCustomControl() = default;

void TOvcCustomControl::Loaded() {
  loading_ = false;
  CreateWnd();
  if (LabelInfo.Visible() && !label_) CreateLabel();
}

TOvcAttachedLabel& TOvcCustomControl::AttachedLabel() const {
  if (!LabelInfo.Visible() || !label_) throw EOvcException(std::string(MessageText(msg::label_not_attached)));
  return *label_;
}

ws::LResult TOvcCustomControl::window_proc(ws::Message& message) {
  switch (message.id) {
    case ws::msg::set_focus: {
      const ws::LResult result = ws::Window::window_proc(message);
      ws::post_message(handle(), MSG_AFTER_ENTER);
      return result;
    }
    case ws::msg::kill_focus: {
      const ws::LResult result = ws::Window::window_proc(message);
      ws::post_message(handle(), MSG_AFTER_EXIT);
      return result;
    }
    case ws::msg::mouse_wheel: {
      const ws::Point at = ws::point_from_lparam(message.lparam);
      DoMouseWheel(ws::mouse_shift(ws::low_word(message.wparam)), static_cast<std::int16_t>(ws::high_word(message.wparam)),
                   static_cast<std::uint16_t>(at.x), static_cast<std::uint16_t>(at.y));
      return 0;
    }
    case MSG_AFTER_ENTER:
      if (AfterEnter) AfterEnter(*this);
      return 0;
    case MSG_AFTER_EXIT:
      if (AfterExit) AfterExit(*this);
      return 0;
    case MSG_POSITION_LABEL:
      PositionLabel();
      return 0;
    case MSG_ATTACH_LABEL:
      TakeLabelPlace(static_cast<ws::WindowHandle>(message.lparam));
      return 0;
    default: return ws::Window::window_proc(message);
  }
}

void TOvcCustomControl::DoMouseWheel(ws::ShiftState shift, std::int16_t delta, std::uint16_t x, std::uint16_t y) {
  if (OnMouseWheel) OnMouseWheel(*this, shift, delta, x, y);
}

void TOvcCustomControl::bounds_changed(const ws::Rect&) {
  if (label_) ws::post_message(handle(), MSG_POSITION_LABEL);
}

void TOvcCustomControl::visibility_changed() {
  if (label_) label_->set_visible(visible());
}

void TOvcCustomControl::LabelVisibleChanged() {
  if (!LabelInfo.Visible()) {
    label_.reset();
    return;
  }
  if (!loading_ && form() != nullptr) CreateLabel();
}

void TOvcCustomControl::CreateLabel() {
  label_.reset();
  const std::string name = UniqueComponentName(ComponentNamesOf(parent_form(*this)), Name + "Label");
  label_ = std::make_unique<TOvcAttachedLabel>(parent(), *this);
  label_->Name = name;
  label_->set_caption(name);
  LabelInfo.offset_x_ = 0;
  LabelInfo.offset_y_ = 0;
  PositionLabel();
  label_->set_visible(visible());
}

void TOvcCustomControl::PositionLabel() {
  if (!label_) return;
  const int label_left = left() + LabelInfo.OffsetX();
  const int label_top = top() + LabelInfo.OffsetY() - label_->height();
  if (label_->left() != label_left || label_->top() != label_top) {
    label_->set_bounds(label_left, label_top, label_->width(), label_->height());
  }
}

void TOvcCustomControl::TakeLabelPlace(ws::WindowHandle label) {
  if (!label_ || label_->handle() != label) return;
  LabelInfo.offset_x_ = label_->left() - left();
  LabelInfo.offset_y_ = label_->top() + label_->height() - top();
  LabelInfo.visible_ = true;
}

TOvcCustomControlEx::~TOvcCustomControlEx() {
  if (controller_ != nullptr) controller_->RemoveFreeNotification(*this);
}

TOvcController& TOvcCustomControlEx::GetController() const {
  return controller_ != nullptr ? *controller_ : DefaultController();
}

void TOvcCustomControlEx::SetController(TOvcComponent* value) {
  auto* controller = dynamic_cast<TOvcController*>(value);
  if (controller_ != nullptr) controller_->RemoveFreeNotification(*this);
  controller_ = controller;
  if (controller_ != nullptr) controller_->FreeNotification(*this);
}

void TOvcCustomControlEx::ControllerInserted(TOvcController& controller) {
  if (controller_ == nullptr) SetController(&controller);
}

void TOvcCustomControlEx::ControllerRemoved(TOvcController& controller) {
  if (controller_ == &controller) SetController(nullptr);
}

void TOvcCustomControlEx::CreateWnd() {
  if (controller_ != nullptr || Loading()) return;
  TOvcController* found = nullptr;
  if (auto* owner = dynamic_cast<ws::Form*>(&parent_form(*this))) {
    for (TOvcComponent* component : ComponentsOf(*owner)) {
      found = dynamic_cast<TOvcController*>(component);
      if (found != nullptr) break;
    }
  }
  SetController(found != nullptr ? found : &DefaultController());
}

}  // namespace vx::controls

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/attached_label.h"
#include "controls/controller.h"
#include "controls/label_info.h"
#include "platform/ws/window.h"

namespace vx::controls {

// The window every control of this library is built on: focus events that
// run once the focus has moved, the mouse wheel, and an optional caption
// label. A form builds its controls in code and then calls Loaded(); until
// then the control is loading.
class TOvcCustomControl : public ws::Window {
 public:
  using TNotifyEvent = std::function<void(TOvcCustomControl& sender)>;
  using TMouseWheelEvent = std::function<void(TOvcCustomControl& sender, ws::ShiftState shift, std::int16_t delta,
                                              std::uint16_t x, std::uint16_t y)>;

  explicit TOvcCustomControl(ws::Window* parent);
  ~TOvcCustomControl() override;

  std::string Name;
  bool Loading() const { return loading_; }
  // The form has set what it sets; the control does what it does when its
  // window is made (the window itself exists from construction).
  virtual void Loaded();

  TOvcLabelInfo LabelInfo;
  // Throws when LabelInfo is not visible.
  TOvcAttachedLabel& AttachedLabel() const;

  TNotifyEvent AfterEnter;
  TNotifyEvent AfterExit;
  TMouseWheelEvent OnMouseWheel;

  ws::LResult window_proc(ws::Message& message) override;

 protected:
  virtual void CreateWnd() {}
  // A positive delta turns the wheel away from the user.
  virtual void DoMouseWheel(ws::ShiftState shift, std::int16_t delta, std::uint16_t x, std::uint16_t y);
  void bounds_changed(const ws::Rect& old_bounds) override;
  void visibility_changed() override;

 private:
  void LabelVisibleChanged();
  void CreateLabel();
  void PositionLabel();
  void TakeLabelPlace(ws::WindowHandle label);

  bool loading_ = true;
  std::unique_ptr<TOvcAttachedLabel> label_;
};

// A control that uses a controller: its own, the first of its form, or the
// default one.
class TOvcCustomControlEx : public TOvcCustomControl {
 public:
  using TOvcCustomControl::TOvcCustomControl;
  ~TOvcCustomControlEx() override;

  // The linked controller, else the default one.
  TOvcController& GetController() const;
  // Anything but a controller links none.
  virtual void SetController(TOvcComponent* value);
  bool HasController() const { return controller_ != nullptr; }
  static TOvcController& DefaultController() { return controls::DefaultController(); }

  // A controller made on the form while the control has none is taken.
  void ControllerInserted(TOvcController& controller);
  // The linked controller goes away: the default one serves from then on.
  void ControllerRemoved(TOvcController& controller);

 protected:
  void CreateWnd() override;

 private:
  TOvcController* controller_ = nullptr;
};

// The names of the form's components and named controls.
std::vector<std::string> ComponentNamesOf(ws::Window& form);

}  // namespace vx::controls

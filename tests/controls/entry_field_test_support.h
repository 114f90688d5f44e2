#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/controller.h"
#include "controls/simple_field.h"
#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws/shell.h"
#include "tests/platform/ws_test_support.h"

namespace vx::controls::testing_support {

// A shown form with a controller, a scripted responder for the error box,
// and simple fields made on demand, each built as a form builds it.
class EntryFieldTest : public ws::testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    previous_responder_ = platform::install_dialog_responder(&responder);
    form = std::make_unique<ws::Form>();
    form->set_bounds(0, 0, 400, 300);
    form->show();
    controller = std::make_unique<TOvcController>(form.get());
  }
  void TearDown() override {
    fields.clear();
    controller.reset();
    form.reset();
    platform::install_dialog_responder(previous_responder_);
    DefaultController().ErrorPending = false;
    WindowSystemTest::TearDown();
  }

  TOvcSimpleField& add_field(const std::function<void(TOvcSimpleField&)>& setup = {}) {
    return add<TOvcSimpleField>(setup);
  }

  template <typename Field>
  Field& add(const std::function<void(Field&)>& setup = {}) {
    auto field = std::make_unique<Field>(form.get());
    Field& made = *field;
    field->Name = "Field" + std::to_string(fields.size() + 1);
    field->set_bounds(20, 20 + 40 * static_cast<int>(fields.size()), 130, 25);
    if (setup) setup(*field);
    field->Loaded();
    fields.push_back(std::move(field));
    return made;
  }

  // The texts of the error boxes shown so far.
  std::vector<std::string> shown_errors() const {
    std::vector<std::string> texts;
    for (const platform::DialogRecord& record : responder.log()) texts.push_back(record.text);
    return texts;
  }

  platform::ScriptedResponder responder;
  std::unique_ptr<ws::Form> form;
  std::unique_ptr<TOvcController> controller;
  std::vector<std::unique_ptr<TOvcBaseEntryField>> fields;

 private:
  platform::DialogResponder* previous_responder_ = nullptr;
};

// A key pressed, or a text typed, and the messages handled.
inline void keys(std::uint16_t key, ws::ShiftState modifiers = ws::shift_none) {
  ws::input::press_key(key, modifiers);
  ws::process_messages();
}

inline void typed(std::string_view text) {
  ws::input::type(text);
  ws::process_messages();
}

}  // namespace vx::controls::testing_support

#include "programmer/trim_reference_field.h"

#include <array>
#include <cstddef>

#include "controls/field_values.h"
#include "interface/engine_settings.h"
#include "platform/dialogs.h"

namespace vx::programmer {
namespace {

void check_reference_range(controls::TOvcPictureField& field) {
  const TrimSettings& trim = engine_settings().trim;
  const long double hz = trim_reference_value(field);
  if (hz >= trim.reference_min && hz <= trim.reference_max) return;
  platform::dialog_responder().message_box({trim_reference_reverted});
  show_trim_reference(field, trim.default_reference);
}

}  // namespace

std::unique_ptr<controls::TOvcPictureField> make_trim_reference_field(ws::Form& form, const std::string& name) {
  auto field = std::make_unique<controls::TOvcPictureField>(&form);
  field->Name = name;
  field->SetDataType(controls::TPictureDataType::pftExtended);
  field->SetPictureMask("#######.##");
  field->SetMaxLength(10);
  field->SetOptions(controls::efoCaretToEnd);
  field->AfterExit = [](controls::TOvcCustomControl& sender) {
    check_reference_range(static_cast<controls::TOvcPictureField&>(sender));
  };
  field->Loaded();
  show_trim_reference(*field, engine_settings().trim.custom_reference);
  return field;
}

long double trim_reference_value(controls::TOvcPictureField& field) {
  std::array<std::byte, 10> value{};
  if (field.GetValue(value) != 0) return 0;
  return controls::ReadExtended(value);
}

void show_trim_reference(controls::TOvcPictureField& field, long double hz) {
  std::array<std::byte, 10> value{};
  controls::WriteExtended(value, hz);
  field.SetValue(value);
}

}  // namespace vx::programmer

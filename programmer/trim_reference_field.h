#pragma once

#include <memory>
#include <string>

#include "controls/picture_field.h"
#include "platform/ws/form.h"

// The custom trim reference entry, in Hz, of the connection manager and of
// the trim centre-frequency window.
namespace vx::programmer {

inline constexpr const char* trim_reference_reverted =
    "The trim value entered is not within the reference range for this device. Reverting to default value.";

// The field as the windows make it, showing the custom trim reference; on
// leaving, a value outside the reference range is replaced by the default
// reference.
std::unique_ptr<controls::TOvcPictureField> make_trim_reference_field(ws::Form& form, const std::string& name);

long double trim_reference_value(controls::TOvcPictureField& field);
void show_trim_reference(controls::TOvcPictureField& field, long double hz);

}  // namespace vx::programmer

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/controller.h"
#include "controls/virtual_list_box.h"
#include "foundation/short_text.h"
#include "platform/ws/color.h"
#include "platform/ws/form.h"

// The colourable parts of the programmer's windows. A part's colours are
// kept in section COLORS of the desktop file and applied when it registers.
namespace vx::programmer {

using ColorApply = std::function<void(std::uint16_t identifier, ws::Color foreground, ws::Color background)>;

struct TColorInfo {
  ColorApply apply;
  ws::Color foreground = 0;
  ws::Color background = 0;
  ws::Color default_foreground = 0;
  ws::Color default_background = 0;
  ws::Color applied_foreground = 0;
  ws::Color applied_background = 0;
  std::uint16_t identifier = 0;
  // 0 foreground only, 1 background only, 2 both.
  std::uint8_t mode = 0;
};

// The colour window; it owns the registry of parts, in registration order,
// and lists each part's name in the part's colours.
class TChangeColor1 final : public ws::Form {
 public:
  TChangeColor1();
  const std::vector<std::pair<std::string, TColorInfo>>& parts() const { return parts_; }
  void add_part(std::string name, TColorInfo info);

  controls::TOvcController& OvcController1() { return controller_; }
  controls::TOvcVirtualListBox& ListBox1() { return *listbox1_; }

 private:
  void item_colours(std::int32_t index, ws::Color& foreground, ws::Color& background) const;

  std::vector<std::pair<std::string, TColorInfo>> parts_;
  controls::TOvcController controller_;
  std::unique_ptr<controls::TOvcVirtualListBox> listbox1_;
};

void register_window_color(ColorApply apply, const ShortText& name, ws::Color default_foreground,
                           ws::Color default_background, std::uint16_t identifier, std::uint8_t mode);
// The integer under the key in section COLORS of the file, or the default.
std::int32_t read_window_color(const ShortText& file, const ShortText& key, std::int32_t default_value);

}  // namespace vx::programmer

#include "programmer/window_colors.h"

#include <algorithm>

#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/settings_file.h"
#include "platform/ws/shell.h"
#include "programmer/program_windows.h"

namespace vx::programmer {
namespace {

constexpr int missing_registry_beeps = 50;

ShortText color_key(const ShortText& name, std::uint16_t identifier, char which) {
  return name + hex_word(identifier) + which;
}

}  // namespace

TChangeColor1::TChangeColor1()
    : controller_(this), listbox1_(std::make_unique<controls::TOvcVirtualListBox>(this)) {
  hide();
  controller_.Name = "OvcController1";
  controls::TOvcVirtualListBox& box = *listbox1_;
  box.Name = "ListBox1";
  box.set_align(ws::Align::client);
  box.SetNumItems(0);
  box.OnGetItem = [this](controls::TOvcCustomVirtualListBox&, std::int32_t index, std::string& text) {
    if (index >= 0 && static_cast<std::size_t>(index) < parts_.size()) text = parts_[static_cast<std::size_t>(index)].first;
  };
  box.OnGetItemColor = [this](controls::TOvcCustomVirtualListBox&, std::int32_t index, ws::Color& foreground,
                              ws::Color& background) { item_colours(index, foreground, background); };
  box.Loaded();
}

void TChangeColor1::add_part(std::string name, TColorInfo info) {
  parts_.emplace_back(std::move(name), std::move(info));
  listbox1_->SetNumItems(static_cast<std::int32_t>(parts_.size()));
  listbox1_->invalidate();
}

// Mode 0 parts have only a text colour, mode 1 only a background, mode 2 both.
void TChangeColor1::item_colours(std::int32_t index, ws::Color& foreground, ws::Color& background) const {
  if (index < 0 || static_cast<std::size_t>(index) >= parts_.size()) return;
  const TColorInfo& part = parts_[static_cast<std::size_t>(index)].second;
  if (part.mode != 1) foreground = part.foreground;
  if (part.mode != 0) background = part.background;
}

void register_window_color(ColorApply apply, const ShortText& name, ws::Color default_foreground,
                           ws::Color default_background, std::uint16_t identifier, std::uint8_t mode) {
  TChangeColor1* owner = program_windows().ChangeColor1.get();
  if (owner == nullptr) {
    for (int i = 0; i < missing_registry_beeps; ++i) ws::beep();
    return;
  }
  TColorInfo info;
  info.apply = std::move(apply);
  info.default_foreground = default_foreground;
  info.default_background = default_background;
  info.identifier = identifier;
  info.mode = mode;
  const ShortText& desktop = run_state().desktop_file_name;
  info.foreground = static_cast<ws::Color>(
      read_window_color(desktop, color_key(name, identifier, 'F'), static_cast<std::int32_t>(default_foreground)));
  info.background = static_cast<ws::Color>(
      read_window_color(desktop, color_key(name, identifier, 'B'), static_cast<std::int32_t>(default_background)));
  if ((info.foreground != default_foreground || info.background != default_background) && info.apply) {
    info.apply(identifier, info.foreground, info.background);
  }
  info.applied_foreground = info.foreground;
  info.applied_background = info.background;
  owner->add_part(name.str(), std::move(info));
}

std::int32_t read_window_color(const ShortText& file, const ShortText& key, std::int32_t default_value) {
  std::string name = key.str();
  std::replace(name.begin(), name.end(), ' ', '_');
  const auto control = [](char c) { return static_cast<unsigned char>(c) < 32; };
  while (!name.empty() && control(name.back())) name.pop_back();
  name.erase(name.begin(), std::find_if_not(name.begin(), name.end(), control));
  return GET_INI_INTEGER(file, "COLORS", ShortText(name), default_value, false);
}

}  // namespace vx::programmer
